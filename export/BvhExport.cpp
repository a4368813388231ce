#include "export/BvhExport.h"

#include <maya/MFileObject.h>

#include <exception>
#include <string>

#include "bvh/Vocabulary.h"
#include "export/ExportJob.h"
#include "plugin/FileKind.h"
#include "plugin/Messages.h"

BvhExport::BvhExport() = default;
BvhExport::~BvhExport() = default;

void* BvhExport::creator() { return new BvhExport(); }

MStatus BvhExport::writer(const MFileObject& file, const MString& optionsString,
                          FileAccessMode /*mode*/) {
    std::string path;
    try {
        // The file need not exist yet: its name as given, with variables expanded.
        path = file.expandedFullName().asChar();
        bvhexport::ExportJob job(settings_, sampleTime_);
        return job.run(path, optionsString);
    } catch (const std::exception& error) {
        // Nothing may unwind into the host; the job's output file removed itself already.
        bvhio::reportError(path, std::string("could not be written (") + error.what() + ")");
    } catch (...) {
        bvhio::reportError(path, "could not be written");
    }
    return MS::kFailure;
}

MPxFileTranslator::MFileKind BvhExport::identifyFile(const MFileObject& /*file*/,
                                                     const char* buffer, short size) const {
    return fileKindByPrefix(buffer, size, bvh::kImportTransformName);
}
