#pragma once
// Handle to a scene object (node, attribute, animation curve). Cheap to copy.

#include <maya/MFn.h>
#include <maya/MTypes.h>

namespace standin {
namespace detail {
struct Object;
struct Access;
}  // namespace detail
}  // namespace standin

OPENMAYA_MAJOR_NAMESPACE_OPEN

/// A handle stays valid for the life of the scene that made it; once the scene is reset
/// every handle made before behaves as the null object.
class MObject {
public:
    /// The null object.
    MObject();
    MObject(const MObject& other);
    ~MObject();
    /// True when the object supports the function set type `fs`.
    bool hasFn(MFn::Type fs) const;
    bool isNull() const;
    /// The exact type of the object; kInvalid for the null object.
    MFn::Type apiType() const;
    /// Name of the exact type, e.g. "kJoint".
    const char* apiTypeStr() const;
    bool operator==(const MObject& other) const;
    bool operator!=(const MObject& other) const;
    MObject& operator=(const MObject& other);
    /// The null object. Not const, as in the host: reference defaults bind to it.
    static MObject kNullObj;

private:
    friend struct standin::detail::Access;
    standin::detail::Object* object_;
    unsigned int generation_;
};

OPENMAYA_NAMESPACE_CLOSE
