#pragma once
// Result of a host call: a status code, success or one kind of failure.

#include <maya/MTypes.h>

#include <iosfwd>

OPENMAYA_MAJOR_NAMESPACE_OPEN

class MStatus {
public:
    enum MStatusCode {
        kSuccess = 0,
        kFailure,
        kInsufficientMemory,
        kInvalidParameter,
        kLicenseFailure,
        kUnknownParameter,
        kNotImplemented,
        kNotFound,
        kEndOfFile
    };

    /// A success status.
    MStatus();
    MStatus(MStatusCode code);
    MStatus(const MStatus& other);
    MStatus& operator=(const MStatus& rhs);

    bool operator==(const MStatus& rhs) const;
    bool operator==(const MStatusCode rhs) const;
    bool operator!=(const MStatus& rhs) const;
    bool operator!=(const MStatusCode rhs) const;

    /// True when the status is not success.
    bool error() const;
    /// Resets to success.
    void clear();
    MStatusCode statusCode() const;
    /// A readable text naming the code, e.g. "(kFailure): operation failed".
    MString errorString() const;
    /// Writes "text: <errorString>" and a line feed to the standard error stream.
    void perror(const char* text) const;
    void perror(const MString& text) const;
    /// True when the status is success.
    operator bool() const;

    friend bool operator==(const MStatus::MStatusCode code, const MStatus& status);
    friend bool operator!=(const MStatus::MStatusCode code, const MStatus& status);
    /// Writes the error string.
    friend std::ostream& operator<<(std::ostream& out, MStatus& status);

private:
    MStatusCode code_;
};


#define MFAIL(_status) ((_status).error())

#define CHECK_MSTATUS(_status)          \
    do {                                \
        if ((_status).error()) {        \
            (_status).perror(__FILE__); \
        }                               \
    } while (0)

#define CHECK_MSTATUS_AND_RETURN(_status, _retVal) \
    do {                                           \
        if ((_status).error()) {                   \
            (_status).perror(__FILE__);            \
            return (_retVal);                      \
        }                                          \
    } while (0)

#define CHECK_MSTATUS_AND_RETURN_IT(_status) CHECK_MSTATUS_AND_RETURN((_status), (_status))

OPENMAYA_NAMESPACE_CLOSE

#if !defined(MNoMSTypedef)
typedef MStatus MS;
#endif
