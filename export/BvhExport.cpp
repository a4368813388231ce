#include "export/BvhExport.h"

#include "bvh/Vocabulary.h"
#include "plugin/FileKind.h"

BvhExport::BvhExport() = default;
BvhExport::~BvhExport() = default;
void* BvhExport::creator() { return new BvhExport(); }

MStatus BvhExport::writer(const MFileObject&, const MString&, FileAccessMode) {
    return MS::kFailure;
}

MPxFileTranslator::MFileKind BvhExport::identifyFile(const MFileObject&, const char* buffer,
                                                     short size) const {
    return fileKindByPrefix(buffer, size, bvh::kImportTransformName);
}
