#pragma once
// Import settings: what the option string sets, what each read resets, and what one read
// leaves for the next on the same translator object.

#include <maya/MString.h>

#include <string>

namespace bvhimport {

/// The settings of one import translator object. An option string sets only the keys it
/// names; the rest keep the values of the read before, except the per-read options, which
/// every read resets first (resetForRead). A new object holds the values of the registered
/// default option string (kImportDefaultOptions).
struct ImportSettings {
    ImportSettings();

    /// Before the options of a read: frameRateNum 24, startTime 0, endTime 999999, scale 1.
    void resetForRead();

    // Options kept from one read to the next.
    int importSkelton = 0;      ///< 2 animation-only import; 1 creates joints; other: no joints
    int importAnimation = 0;    ///< 1 keys the MOTION section
    int importFrameRange = 0;   ///< 1 every frame, 2 from startFrame on, 3 startFrame..endFrame
    int startFrame = 0;         ///< first file frame keyed (1-based)
    int endFrame = 0;           ///< last file frame keyed
    int pasteTimeRange = 0;     ///< 3 stops keying at endTime
    int inputKeys = 0;          ///< 1 frames one time unit apart; other: Frame Time apart
    int frameRate = 0;          ///< 1 derives frameRateNum from frameRateUnit
    std::string frameRateUnit;  ///< name of a host time unit, or "<rate>fps"
    int notFloatingKey = 0;     ///< non-zero re-keys at whole steps (when inputKeys is not 1)
    /// The order joints are given, or "auto": the order of the file's first CHANNELS line
    /// (which the read's result names).
    std::string rotationOrder;
    std::string matchBy = "position";  ///< animation-only import: "position" or "name"

    // Options reset by every read.
    double frameRateNum = 0;  ///< frames per second that turn Frame Time into key steps
    double startTime = 0;     ///< key time of the first keyed frame, UI unit
    double endTime = 0;       ///< key time past which keying stops (pasteTimeRange 3)
    double scale = 0;         ///< factor for offsets and position values

    /// Whether the keys of a curve that had none before the read are handed to the host in
    /// one call per curve at the end of the read (the scene is the same either way; one call
    /// per key costs far more in the host).
    bool keysPerCurve = true;
};

/// Applies an option string to the settings (see bvhio::applyOptionString); unknown keys,
/// "clipboard" and "clip" among them, change nothing.
void applyImportOptions(const MString& options, ImportSettings& settings);

/// With frameRate 1: frameRateNum from frameRateUnit, a host unit's name ("film", "ntsc")
/// or a rate before an "f" ("100fps"); any other unit leaves frameRateNum as it is.
void deriveFrameRate(ImportSettings& settings);

/// Empty when the settings can drive a read; otherwise a one-line reason naming the option:
/// keys spaced by Frame Time without a positive, finite frameRateNum, or an animation-only
/// import matching by anything but position or name.
std::string checkImportSettings(const ImportSettings& settings);

}  // namespace bvhimport
