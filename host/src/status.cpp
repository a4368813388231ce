#include <maya/MStatus.h>
#include <maya/MString.h>

#include <iostream>

MStatus::MStatus() : code_(kSuccess) {}
MStatus::MStatus(MStatusCode code) : code_(code) {}
MStatus::MStatus(const MStatus& other) = default;
MStatus& MStatus::operator=(const MStatus& rhs) = default;

bool MStatus::operator==(const MStatus& rhs) const { return code_ == rhs.code_; }
bool MStatus::operator==(const MStatusCode rhs) const { return code_ == rhs; }
bool MStatus::operator!=(const MStatus& rhs) const { return code_ != rhs.code_; }
bool MStatus::operator!=(const MStatusCode rhs) const { return code_ != rhs; }
bool MStatus::error() const { return code_ != kSuccess; }
void MStatus::clear() { code_ = kSuccess; }
MStatus::MStatusCode MStatus::statusCode() const { return code_; }
MStatus::operator bool() const { return code_ == kSuccess; }

MString MStatus::errorString() const {
    switch (code_) {
        case kSuccess:
            return "(kSuccess): no error";
        case kFailure:
            return "(kFailure): operation failed";
        case kInsufficientMemory:
            return "(kInsufficientMemory): not enough memory";
        case kInvalidParameter:
            return "(kInvalidParameter): invalid parameter or incompatible object";
        case kLicenseFailure:
            return "(kLicenseFailure): license check failed";
        case kUnknownParameter:
            return "(kUnknownParameter): unknown parameter";
        case kNotImplemented:
            return "(kNotImplemented): not implemented";
        case kNotFound:
            return "(kNotFound): not found";
        case kEndOfFile:
            return "(kEndOfFile): end of file";
    }
    return "(unknown status code)";
}

void MStatus::perror(const char* text) const {
    std::cerr << (text != nullptr ? text : "") << ": " << errorString().asChar() << '\n';
}

void MStatus::perror(const MString& text) const { perror(text.asChar()); }

OPENMAYA_MAJOR_NAMESPACE_OPEN

bool operator==(const MStatus::MStatusCode code, const MStatus& status) {
    return status.code_ == code;
}
bool operator!=(const MStatus::MStatusCode code, const MStatus& status) {
    return status.code_ != code;
}
std::ostream& operator<<(std::ostream& out, MStatus& status) {
    return out << status.errorString().asChar();
}

OPENMAYA_NAMESPACE_CLOSE
