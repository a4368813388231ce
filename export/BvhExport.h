#pragma once
// Placeholder: the export translator class is built in export/.

#include <maya/MPxFileTranslator.h>
#include <maya/MString.h>

class BvhExport : public MPxFileTranslator {
public:
    BvhExport();
    ~BvhExport() override;
    static void* creator();
    MStatus writer(const MFileObject& file, const MString& optionsString,
                   FileAccessMode mode) override;
    bool haveReadMethod() const override { return false; }
    bool haveWriteMethod() const override { return true; }
    MString defaultExtension() const override { return "bvh"; }
    bool canBeOpened() const override { return true; }
    MFileKind identifyFile(const MFileObject& file, const char* buffer, short size) const override;
};
