#include "import/BvhImport.h"

#include <maya/MFileObject.h>

#include <exception>
#include <string>

#include "bvh/Vocabulary.h"
#include "import/ImportJob.h"
#include "plugin/FileKind.h"
#include "plugin/Messages.h"

BvhImport::BvhImport() = default;
BvhImport::~BvhImport() = default;

void* BvhImport::creator() { return new BvhImport(); }

MPxFileTranslator::MFileKind BvhImport::identifyFile(const MFileObject&, const char* buffer,
                                                     short size) const {
    return fileKindByPrefix(buffer, size, bvh::kHierarchy);
}

MStatus BvhImport::reader(const MFileObject& file, const MString& optionsString, FileAccessMode) {
    std::string path;
    try {
        path = file.resolvedFullName().asChar();
        bvhimport::ImportJob job(settings_, importTransform_, lastRead_);
        return job.run(path, optionsString);
    } catch (const std::exception& e) {
        // Nothing may unwind into the host.
        bvhio::reportError(path, std::string("import failed: ") + e.what());
    } catch (...) {
        bvhio::reportError(path, "import failed");
    }
    return MS::kFailure;
}
