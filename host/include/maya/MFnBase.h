#pragma once
// Base of all function sets: holds the object the set is attached to.

#include <maya/MFn.h>
#include <maya/MObject.h>
#include <maya/MStatus.h>
#include <maya/MTypes.h>

OPENMAYA_MAJOR_NAMESPACE_OPEN

class MFnBase {
public:
    virtual ~MFnBase();
    /// The function set type; an object is compatible when it hasFn(type()).
    virtual MFn::Type type() const;
    /// True when objects of type `t` are compatible with this function set.
    bool hasObj(MFn::Type t) const;
    bool hasObj(const MObject& object) const;
    /// The attached object; the null object and kInvalidParameter when none.
    MObject object(MStatus* ReturnStatus = nullptr) const;
    /// Attaches to `object`. A null or incompatible object leaves the set detached and
    /// returns kInvalidParameter.
    virtual MStatus setObject(MObject& object);
    virtual MStatus setObject(const MObject& object);
    static const char* className();
    /// Name of a type number, e.g. "kJoint"; "kInvalid" for unknown numbers.
    static const char* typeString(MFn::Type t);
    /// True for the type numbers this build names.
    static bool isValid(MFn::Type t);

protected:
    MFnBase();
    /// Attaches when compatible, detaches otherwise; sets `ReturnStatus` when given.
    void attach(const MObject& object, MStatus* ReturnStatus);

    MObject object_;

private:
    MFnBase(const MFnBase&) = delete;
    MFnBase& operator=(const MFnBase&) = delete;
    /// Function sets are not handled by address.
    MFnBase* operator&() const;
};

OPENMAYA_NAMESPACE_CLOSE
