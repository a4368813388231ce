#pragma once
// What the plug-in registers with the host.

inline constexpr const char* kPluginVendor = "Trelk";
inline constexpr const char* kPluginVersion = "1.1.6";

inline constexpr const char* kImportTranslatorName = "BVHimport";
inline constexpr const char* kExportTranslatorName = "BVHexport";
inline constexpr const char* kImportOptionsScript = "bvhImportOpts";
inline constexpr const char* kExportOptionsScript = "bvhExportOpts";

/// Default option strings. A new translator object starts with these values too, so that a
/// script that passes only some keys gets the defaults for the rest.
inline constexpr const char* kImportDefaultOptions =
    "importSkelton=1;importAnimation=1;importFrameRange=1;startFrame=1;endFrame=100;"
    "pasteTimeRange=1;startTime=1;endTime=100;inputKeys=1;frameRate=1;frameRateNum=24;"
    "notFloatingKey=0;scale=1.0;rotationOrder=XYZ;";
inline constexpr const char* kExportDefaultOptions =
    "exportMode=1;exportKeyRange=1;exportFrameRange=1;startFrame=0;endFrame=100;scale=1;";
