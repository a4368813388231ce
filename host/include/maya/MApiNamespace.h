#pragma once
// The versioned namespace that holds every class of the host API. Symbols of the API, and
// of the plug-in functions that take its types (the entry points among them), mangle with
// this namespace; the classes are brought into the global namespace by using-declarations,
// so that plug-in code names them unqualified.

#define AUTODESK_NAMESPACE Autodesk
#define MAYA_NAMESPACE Maya
#define OPENMAYA_NAMESPACE_OPEN(API_VERSION) \
    namespace AUTODESK_NAMESPACE {           \
    namespace MAYA_NAMESPACE {               \
    namespace API_VERSION {
#define OPENMAYA_NAMESPACE_CLOSE \
    }                            \
    }                            \
    }
#define OPENMAYA_NAMESPACE_SCHEMA(API_VERSION) AUTODESK_NAMESPACE::MAYA_NAMESPACE::API_VERSION

#define OPENMAYA_MAJOR_NAMESPACE OpenMaya20220000
#define OPENMAYA_MAJOR_NAMESPACE_OPEN OPENMAYA_NAMESPACE_OPEN(OPENMAYA_MAJOR_NAMESPACE)
#define OPENMAYA_MAJOR_NAMESPACE_SCHEMA OPENMAYA_NAMESPACE_SCHEMA(OPENMAYA_MAJOR_NAMESPACE)

OPENMAYA_MAJOR_NAMESPACE_OPEN
class MAngle;
class MAnimControl;
class MAnimCurveChange;
class MAnimUtil;
class MComputation;
class MDagPath;
class MDGContext;
class MDGContextGuard;
class MDGModifier;
class MDistance;
class MDoubleArray;
class MEulerRotation;
class MFileObject;
class MFn;
class MFnAnimCurve;
class MFnBase;
class MFnDagNode;
class MFnDependencyNode;
class MFnIkJoint;
class MFnPlugin;
class MFnTransform;
class MGlobal;
class MIntArray;
class MItSelectionList;
class MMatrix;
class MObject;
class MObjectArray;
class MPlug;
class MPlugArray;
class MPxFileTranslator;
class MQuaternion;
class MSelectionList;
class MSpace;
class MStatus;
class MString;
class MStringArray;
class MTime;
class MTimeArray;
class MTransformationMatrix;
class MVector;
OPENMAYA_NAMESPACE_CLOSE

using OPENMAYA_MAJOR_NAMESPACE_SCHEMA::MAngle;
using OPENMAYA_MAJOR_NAMESPACE_SCHEMA::MAnimControl;
using OPENMAYA_MAJOR_NAMESPACE_SCHEMA::MAnimCurveChange;
using OPENMAYA_MAJOR_NAMESPACE_SCHEMA::MAnimUtil;
using OPENMAYA_MAJOR_NAMESPACE_SCHEMA::MComputation;
using OPENMAYA_MAJOR_NAMESPACE_SCHEMA::MDagPath;
using OPENMAYA_MAJOR_NAMESPACE_SCHEMA::MDGContext;
using OPENMAYA_MAJOR_NAMESPACE_SCHEMA::MDGContextGuard;
using OPENMAYA_MAJOR_NAMESPACE_SCHEMA::MDGModifier;
using OPENMAYA_MAJOR_NAMESPACE_SCHEMA::MDistance;
using OPENMAYA_MAJOR_NAMESPACE_SCHEMA::MDoubleArray;
using OPENMAYA_MAJOR_NAMESPACE_SCHEMA::MEulerRotation;
using OPENMAYA_MAJOR_NAMESPACE_SCHEMA::MFileObject;
using OPENMAYA_MAJOR_NAMESPACE_SCHEMA::MFn;
using OPENMAYA_MAJOR_NAMESPACE_SCHEMA::MFnAnimCurve;
using OPENMAYA_MAJOR_NAMESPACE_SCHEMA::MFnBase;
using OPENMAYA_MAJOR_NAMESPACE_SCHEMA::MFnDagNode;
using OPENMAYA_MAJOR_NAMESPACE_SCHEMA::MFnDependencyNode;
using OPENMAYA_MAJOR_NAMESPACE_SCHEMA::MFnIkJoint;
using OPENMAYA_MAJOR_NAMESPACE_SCHEMA::MFnPlugin;
using OPENMAYA_MAJOR_NAMESPACE_SCHEMA::MFnTransform;
using OPENMAYA_MAJOR_NAMESPACE_SCHEMA::MGlobal;
using OPENMAYA_MAJOR_NAMESPACE_SCHEMA::MIntArray;
using OPENMAYA_MAJOR_NAMESPACE_SCHEMA::MItSelectionList;
using OPENMAYA_MAJOR_NAMESPACE_SCHEMA::MMatrix;
using OPENMAYA_MAJOR_NAMESPACE_SCHEMA::MObject;
using OPENMAYA_MAJOR_NAMESPACE_SCHEMA::MObjectArray;
using OPENMAYA_MAJOR_NAMESPACE_SCHEMA::MPlug;
using OPENMAYA_MAJOR_NAMESPACE_SCHEMA::MPlugArray;
using OPENMAYA_MAJOR_NAMESPACE_SCHEMA::MPxFileTranslator;
using OPENMAYA_MAJOR_NAMESPACE_SCHEMA::MQuaternion;
using OPENMAYA_MAJOR_NAMESPACE_SCHEMA::MSelectionList;
using OPENMAYA_MAJOR_NAMESPACE_SCHEMA::MSpace;
using OPENMAYA_MAJOR_NAMESPACE_SCHEMA::MStatus;
using OPENMAYA_MAJOR_NAMESPACE_SCHEMA::MString;
using OPENMAYA_MAJOR_NAMESPACE_SCHEMA::MStringArray;
using OPENMAYA_MAJOR_NAMESPACE_SCHEMA::MTime;
using OPENMAYA_MAJOR_NAMESPACE_SCHEMA::MTimeArray;
using OPENMAYA_MAJOR_NAMESPACE_SCHEMA::MTransformationMatrix;
using OPENMAYA_MAJOR_NAMESPACE_SCHEMA::MVector;
