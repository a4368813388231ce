#include "import/ImportSettings.h"

#include <cmath>

#include "plugin/Messages.h"
#include "plugin/OptionString.h"
#include "plugin/Registration.h"

namespace bvhimport {

ImportSettings::ImportSettings() { applyImportOptions(kImportDefaultOptions, *this); }

void ImportSettings::resetForRead() {
    frameRateNum = 24.0;
    startTime = 0.0;
    endTime = 999999.0;
    scale = 1.0;
}

void applyImportOptions(const MString& options, ImportSettings& settings) {
    bvhio::applyOptionString(options, {{"importSkelton", &settings.importSkelton},
                                       {"importAnimation", &settings.importAnimation},
                                       {"importFrameRange", &settings.importFrameRange},
                                       {"startFrame", &settings.startFrame},
                                       {"endFrame", &settings.endFrame},
                                       {"pasteTimeRange", &settings.pasteTimeRange},
                                       {"startTime", &settings.startTime},
                                       {"endTime", &settings.endTime},
                                       {"inputKeys", &settings.inputKeys},
                                       {"frameRate", &settings.frameRate},
                                       {"frameRateUnit", &settings.frameRateUnit},
                                       {"frameRateNum", &settings.frameRateNum},
                                       {"notFloatingKey", &settings.notFloatingKey},
                                       {"scale", &settings.scale},
                                       {"rotationOrder", &settings.rotationOrder},
                                       {"matchBy", &settings.matchBy}});
}

void deriveFrameRate(ImportSettings& settings) {
    if (settings.frameRate != 1) return;
    static const struct {
        const char* name;
        double rate;
    } kRates[] = {{"game", 15}, {"film", 24},         {"pal", 25},          {"ntsc", 30},
                  {"show", 48}, {"palf", 50},         {"ntscf", 60},        {"millisec", 1000},
                  {"sec", 1},   {"min", 0.016666666}, {"hour", 0.000277777}};
    const std::string& unit = settings.frameRateUnit;
    for (const auto& entry : kRates) {
        if (unit == entry.name) {
            settings.frameRateNum = entry.rate;
            return;
        }
    }
    // Names such as "100fps": the number before the first "f". Without one (an empty unit,
    // the registered defaults' case) the rate stays as the options left it.
    const std::size_t f = unit.find('f');
    if (f == std::string::npos || f == 0) return;
    const double rate = MString(unit.substr(0, f).c_str()).asDouble();
    if (rate > 0 && std::isfinite(rate)) settings.frameRateNum = rate;
}

std::string checkImportSettings(const ImportSettings& settings) {
    if (settings.inputKeys != 1 &&
        !(settings.frameRateNum > 0 && std::isfinite(settings.frameRateNum)))
        return bvhio::textOf(
            "frameRateNum must be a positive number of frames per second to "
            "space keys (inputKeys=",
            settings.inputKeys, "), not ", settings.frameRateNum);
    if (settings.importSkelton == 2 && settings.matchBy != "position" && settings.matchBy != "name")
        return bvhio::textOf("matchBy must be position or name, not \"", settings.matchBy, "\"");
    return {};
}

}  // namespace bvhimport
