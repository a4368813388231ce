#include "plugin/AttributeDriver.h"

#include <maya/MFn.h>
#include <maya/MFnAnimCurve.h>
#include <maya/MFnDependencyNode.h>
#include <maya/MString.h>

#include <cmath>

bool isTimeCurve(const MObject& node) {
    return node.hasFn(MFn::kAnimCurve) && MFnAnimCurve(node).isTimeInput();
}

KeyedDriver keyedDriverOf(const MPlug& source) {
    KeyedDriver driver;
    const MObject from = source.node();
    if (isTimeCurve(from)) {
        driver.curve = from;
    } else if (from.hasFn(MFn::kUnitConversion)) {
        // The host puts these between a curve and an attribute of another unit: the attribute
        // shows the curve's value times the factor, which a key can undo unless it is 0.
        const MFnDependencyNode conversion(from);
        const MObject curve = conversion.findPlug("input", true).source().node();
        const double factor = conversion.findPlug("conversionFactor", true).asDouble();
        if (isTimeCurve(curve) && std::isfinite(factor) && factor != 0.0) {
            driver.curve = curve;
            driver.factor = factor;
        }
    }
    return driver;
}
