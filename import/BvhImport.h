#pragma once
// The BVHimport file translator.

#include <maya/MObject.h>
#include <maya/MPxFileTranslator.h>
#include <maya/MString.h>

#include "import/ImportJob.h"
#include "import/ImportSettings.h"

/// Reads a BVH file into joints and animation curves (see bvhimport::ImportJob). One object
/// may serve many imports; its settings carry over from one to the next.
class BvhImport : public MPxFileTranslator {
public:
    /// Holds the settings of the registered default option string (see ImportSettings).
    BvhImport();
    ~BvhImport() override;
    /// A new object for the host, which owns it.
    static void* creator();

    /// Imports the file at `file`'s full name with `optionsString` (`mode` is not
    /// consulted). Failure, with one line on standard error naming the file, when the file
    /// cannot be read, no joint is selected for an animation-only import, or an option makes
    /// the key timing meaningless. Never throws.
    MStatus reader(const MFileObject& file, const MString& optionsString,
                   FileAccessMode mode) override;

    bool haveReadMethod() const override { return true; }
    bool haveWriteMethod() const override { return false; }
    MString defaultExtension() const override { return "bvh"; }
    bool canBeOpened() const override { return false; }
    MFileKind identifyFile(const MFileObject& file, const char* buffer, short size) const override;

    /// The settings as the option strings of the imports so far left them.
    bvhimport::ImportSettings& settings() { return settings_; }
    /// The transform the last skeleton import created, the joints' parent.
    const MObject& importTransform() const { return importTransform_; }
    /// What the last import found and did.
    const bvhimport::ImportResult& lastRead() const { return lastRead_; }

private:
    bvhimport::ImportSettings settings_;
    bvhimport::ImportResult lastRead_;
    MObject importTransform_;
};
