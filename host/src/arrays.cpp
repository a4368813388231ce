// The host arrays share one growable-buffer implementation.

#include <maya/MDoubleArray.h>
#include <maya/MIntArray.h>
#include <maya/MObjectArray.h>
#include <maya/MPlug.h>
#include <maya/MPlugArray.h>
#include <maya/MString.h>
#include <maya/MStringArray.h>
#include <maya/MTime.h>
#include <maya/MTimeArray.h>

#include <ostream>
#include <utility>

namespace {

/// Operations on a (data, length, capacity) triple of an array class.
template <typename T>
struct Buffer {
    T*& data;
    unsigned int& length;
    unsigned int& capacity;

    void reserve(unsigned int wanted) {
        if (wanted <= capacity) return;
        unsigned int grown = capacity < 8 ? 8 : capacity + capacity / 2;
        if (grown < wanted) grown = wanted;
        T* fresh = new T[grown];
        for (unsigned int i = 0; i < length; ++i) fresh[i] = std::move(data[i]);
        delete[] data;
        data = fresh;
        capacity = grown;
    }
    void assign(const T* src, unsigned int count) {
        if (src == data) return;
        if (count > capacity) {
            T* fresh = new T[count];
            delete[] data;
            data = fresh;
            capacity = count;
        }
        for (unsigned int i = 0; i < count; ++i) data[i] = src[i];
        length = count;
    }
    void fill(unsigned int count, const T& value) {
        reserve(count);
        for (unsigned int i = 0; i < count; ++i) data[i] = value;
        length = count;
    }
    MStatus set(const T& element, unsigned int index) {
        if (index >= length) return MS::kInvalidParameter;
        data[index] = element;
        return MS::kSuccess;
    }
    MStatus setLength(unsigned int newLength) {
        reserve(newLength);
        for (unsigned int i = length; i < newLength; ++i) data[i] = T();
        length = newLength;
        return MS::kSuccess;
    }
    MStatus remove(unsigned int index) {
        if (index >= length) return MS::kInvalidParameter;
        for (unsigned int i = index; i + 1 < length; ++i) data[i] = std::move(data[i + 1]);
        --length;
        data[length] = T();
        return MS::kSuccess;
    }
    MStatus insert(const T& element, unsigned int index) {
        if (index > length) return MS::kInvalidParameter;
        const T copy = element;  // `element` may live in this array
        reserve(length + 1);
        for (unsigned int i = length; i > index; --i) data[i] = std::move(data[i - 1]);
        data[index] = copy;
        ++length;
        return MS::kSuccess;
    }
    MStatus append(const T& element) {
        if (length == capacity) {
            const T copy = element;
            reserve(length + 1);
            data[length++] = copy;
        } else {
            data[length++] = element;
        }
        return MS::kSuccess;
    }
    MStatus clear() {
        for (unsigned int i = 0; i < length; ++i) data[i] = T();
        length = 0;
        return MS::kSuccess;
    }
};

/// Out-of-range access lands here instead of outside the array. The scratch element is
/// reset on every such access, so a stray write is never read back.
template <typename T>
T& scratch() {
    static T element;
    element = T();
    return element;
}

}  // namespace

#define BUFFER(T) (Buffer<T>{data_, length_, capacity_})

MDoubleArray::MDoubleArray() : data_(nullptr), length_(0), capacity_(0) {}
MDoubleArray::MDoubleArray(const MDoubleArray& other) : MDoubleArray() {
    BUFFER(double).assign(other.data_, other.length_);
}
MDoubleArray::MDoubleArray(const double src[], unsigned int count) : MDoubleArray() {
    if (src != nullptr) BUFFER(double).assign(src, count);
}
MDoubleArray::MDoubleArray(const float src[], unsigned int count) : MDoubleArray() {
    if (src == nullptr) return;
    BUFFER(double).reserve(count);
    for (unsigned int i = 0; i < count; ++i) data_[i] = src[i];
    length_ = count;
}
MDoubleArray::MDoubleArray(unsigned int initialSize, double initialValue) : MDoubleArray() {
    BUFFER(double).fill(initialSize, initialValue);
}
MDoubleArray::~MDoubleArray() { delete[] data_; }
MDoubleArray& MDoubleArray::operator=(const MDoubleArray& other) {
    BUFFER(double).assign(other.data_, other.length_);
    return *this;
}
double MDoubleArray::operator[](unsigned int index) const {
    return index < length_ ? data_[index] : 0.0;
}
double& MDoubleArray::operator[](unsigned int index) {
    return index < length_ ? data_[index] : scratch<double>();
}
MStatus MDoubleArray::set(double element, unsigned int index) {
    return BUFFER(double).set(element, index);
}
MStatus MDoubleArray::set(float element, unsigned int index) {
    return BUFFER(double).set(element, index);
}
MStatus MDoubleArray::setLength(unsigned int length) { return BUFFER(double).setLength(length); }
unsigned int MDoubleArray::length() const { return length_; }
MStatus MDoubleArray::remove(unsigned int index) { return BUFFER(double).remove(index); }
MStatus MDoubleArray::insert(double element, unsigned int index) {
    return BUFFER(double).insert(element, index);
}
MStatus MDoubleArray::append(double element) { return BUFFER(double).append(element); }
MStatus MDoubleArray::copy(const MDoubleArray& source) {
    BUFFER(double).assign(source.data_, source.length_);
    return MS::kSuccess;
}
MStatus MDoubleArray::clear() { return BUFFER(double).clear(); }
MStatus MDoubleArray::get(double array[]) const {
    if (array == nullptr) return MS::kInvalidParameter;
    for (unsigned int i = 0; i < length_; ++i) array[i] = data_[i];
    return MS::kSuccess;
}
MStatus MDoubleArray::get(float array[]) const {
    if (array == nullptr) return MS::kInvalidParameter;
    for (unsigned int i = 0; i < length_; ++i) array[i] = float(data_[i]);
    return MS::kSuccess;
}

MIntArray::MIntArray() : data_(nullptr), length_(0), capacity_(0) {}
MIntArray::MIntArray(const MIntArray& other) : MIntArray() {
    BUFFER(int).assign(other.data_, other.length_);
}
MIntArray::MIntArray(const int src[], unsigned int count) : MIntArray() {
    if (src != nullptr) BUFFER(int).assign(src, count);
}
MIntArray::MIntArray(unsigned int initialSize, int initialValue) : MIntArray() {
    BUFFER(int).fill(initialSize, initialValue);
}
MIntArray::~MIntArray() { delete[] data_; }
MIntArray& MIntArray::operator=(const MIntArray& other) {
    BUFFER(int).assign(other.data_, other.length_);
    return *this;
}
int MIntArray::operator[](unsigned int index) const { return index < length_ ? data_[index] : 0; }
int& MIntArray::operator[](unsigned int index) {
    return index < length_ ? data_[index] : scratch<int>();
}
MStatus MIntArray::set(int element, unsigned int index) { return BUFFER(int).set(element, index); }
MStatus MIntArray::setLength(unsigned int length) { return BUFFER(int).setLength(length); }
unsigned int MIntArray::length() const { return length_; }
MStatus MIntArray::remove(unsigned int index) { return BUFFER(int).remove(index); }
MStatus MIntArray::insert(int element, unsigned int index) {
    return BUFFER(int).insert(element, index);
}
MStatus MIntArray::append(int element) { return BUFFER(int).append(element); }
MStatus MIntArray::copy(const MIntArray& source) {
    BUFFER(int).assign(source.data_, source.length_);
    return MS::kSuccess;
}
MStatus MIntArray::clear() { return BUFFER(int).clear(); }

MStringArray::MStringArray() : data_(nullptr), length_(0), capacity_(0), increment_(0) {}
MStringArray::MStringArray(const MStringArray& other) : MStringArray() {
    BUFFER(MString).assign(other.data_, other.length_);
}
MStringArray::MStringArray(const MString strings[], unsigned int count) : MStringArray() {
    if (strings != nullptr) BUFFER(MString).assign(strings, count);
}
MStringArray::MStringArray(const char* strings[], unsigned int count) : MStringArray() {
    if (strings == nullptr) return;
    BUFFER(MString).reserve(count);
    for (unsigned int i = 0; i < count; ++i) data_[i] = MString(strings[i]);
    length_ = count;
}
MStringArray::MStringArray(unsigned int initialSize, const MString& initialValue) : MStringArray() {
    BUFFER(MString).fill(initialSize, initialValue);
}
MStringArray::~MStringArray() { delete[] data_; }
MString MStringArray::operator[](unsigned int index) const {
    return index < length_ ? data_[index] : MString();
}
MString& MStringArray::operator[](unsigned int index) {
    return index < length_ ? data_[index] : scratch<MString>();
}
MStringArray& MStringArray::operator=(const MStringArray& other) {
    BUFFER(MString).assign(other.data_, other.length_);
    return *this;
}
MStatus MStringArray::set(const MString& element, unsigned int index) {
    return BUFFER(MString).set(element, index);
}
MStatus MStringArray::set(char* element, unsigned int index) {
    return BUFFER(MString).set(MString(element), index);
}
MStatus MStringArray::setLength(unsigned int length) { return BUFFER(MString).setLength(length); }
unsigned int MStringArray::length() const { return length_; }
MStatus MStringArray::remove(unsigned int index) { return BUFFER(MString).remove(index); }
MStatus MStringArray::insert(const MString& element, unsigned int index) {
    return BUFFER(MString).insert(element, index);
}
MStatus MStringArray::append(const MString& element) { return BUFFER(MString).append(element); }
MStatus MStringArray::clear() { return BUFFER(MString).clear(); }
MStatus MStringArray::get(MString array[]) const {
    if (array == nullptr) return MS::kInvalidParameter;
    for (unsigned int i = 0; i < length_; ++i) array[i] = data_[i];
    return MS::kSuccess;
}
void MStringArray::setSizeIncrement(unsigned int newIncrement) { increment_ = newIncrement; }
unsigned int MStringArray::sizeIncrement() const { return increment_; }

OPENMAYA_MAJOR_NAMESPACE_OPEN

std::ostream& operator<<(std::ostream& out, const MStringArray& array) {
    out << '[';
    for (unsigned int i = 0; i < array.length(); ++i) {
        if (i != 0) out << ", ";
        out << array[i];
    }
    return out << ']';
}

MObjectArray::MObjectArray() : data_(nullptr), length_(0), capacity_(0) {}
MObjectArray::MObjectArray(const MObjectArray& other) : MObjectArray() {
    BUFFER(MObject).assign(other.data_, other.length_);
}
MObjectArray::MObjectArray(unsigned int initialSize, const MObject& initialValue) : MObjectArray() {
    BUFFER(MObject).fill(initialSize, initialValue);
}
MObjectArray::MObjectArray(const MObject src[], unsigned int count) : MObjectArray() {
    if (src != nullptr) BUFFER(MObject).assign(src, count);
}
MObjectArray::~MObjectArray() { delete[] data_; }
MObjectArray& MObjectArray::operator=(const MObjectArray& other) {
    BUFFER(MObject).assign(other.data_, other.length_);
    return *this;
}
const MObject& MObjectArray::operator[](unsigned int index) const {
    return index < length_ ? data_[index] : scratch<MObject>();
}
MObject& MObjectArray::operator[](unsigned int index) {
    return index < length_ ? data_[index] : scratch<MObject>();
}
MStatus MObjectArray::set(const MObject& element, unsigned int index) {
    return BUFFER(MObject).set(element, index);
}
MStatus MObjectArray::setLength(unsigned int length) { return BUFFER(MObject).setLength(length); }
unsigned int MObjectArray::length() const { return length_; }
MStatus MObjectArray::remove(unsigned int index) { return BUFFER(MObject).remove(index); }
MStatus MObjectArray::insert(const MObject& element, unsigned int index) {
    return BUFFER(MObject).insert(element, index);
}
MStatus MObjectArray::append(const MObject& element) { return BUFFER(MObject).append(element); }
MStatus MObjectArray::copy(const MObjectArray& source) {
    BUFFER(MObject).assign(source.data_, source.length_);
    return MS::kSuccess;
}
MStatus MObjectArray::clear() { return BUFFER(MObject).clear(); }

MTimeArray::MTimeArray() : data_(nullptr), length_(0), capacity_(0) {}
MTimeArray::MTimeArray(const MTimeArray& other) : MTimeArray() {
    BUFFER(MTime).assign(other.data_, other.length_);
}
MTimeArray::MTimeArray(const MTime src[], unsigned int count) : MTimeArray() {
    if (src != nullptr) BUFFER(MTime).assign(src, count);
}
MTimeArray::MTimeArray(unsigned int initialSize, const MTime& initialValue) : MTimeArray() {
    BUFFER(MTime).fill(initialSize, initialValue);
}
MTimeArray::~MTimeArray() { delete[] data_; }
MTimeArray& MTimeArray::operator=(const MTimeArray& other) {
    BUFFER(MTime).assign(other.data_, other.length_);
    return *this;
}
const MTime& MTimeArray::operator[](unsigned int index) const {
    return index < length_ ? data_[index] : scratch<MTime>();
}
MTime& MTimeArray::operator[](unsigned int index) {
    return index < length_ ? data_[index] : scratch<MTime>();
}
MStatus MTimeArray::set(const MTime& element, unsigned int index) {
    return BUFFER(MTime).set(element, index);
}
MStatus MTimeArray::setLength(unsigned int length) { return BUFFER(MTime).setLength(length); }
unsigned int MTimeArray::length() const { return length_; }
MStatus MTimeArray::remove(unsigned int index) { return BUFFER(MTime).remove(index); }
MStatus MTimeArray::insert(const MTime& element, unsigned int index) {
    return BUFFER(MTime).insert(element, index);
}
MStatus MTimeArray::append(const MTime& element) { return BUFFER(MTime).append(element); }
MStatus MTimeArray::copy(const MTimeArray& source) {
    BUFFER(MTime).assign(source.data_, source.length_);
    return MS::kSuccess;
}
MStatus MTimeArray::clear() { return BUFFER(MTime).clear(); }

MPlugArray::MPlugArray() : data_(nullptr), length_(0), capacity_(0) {}
MPlugArray::MPlugArray(const MPlugArray& other) : MPlugArray() {
    BUFFER(MPlug).assign(other.data_, other.length_);
}
MPlugArray::MPlugArray(unsigned int initializeSize, const MPlug& initialValue) : MPlugArray() {
    BUFFER(MPlug).fill(initializeSize, initialValue);
}
MPlugArray::MPlugArray(const MPlug src[], unsigned int count) : MPlugArray() {
    if (src != nullptr) BUFFER(MPlug).assign(src, count);
}
MPlugArray::~MPlugArray() { delete[] data_; }
const MPlug& MPlugArray::operator[](unsigned int index) const {
    return index < length_ ? data_[index] : scratch<MPlug>();
}
MPlug& MPlugArray::operator[](unsigned int index) {
    return index < length_ ? data_[index] : scratch<MPlug>();
}
MPlugArray& MPlugArray::operator=(const MPlugArray& other) {
    BUFFER(MPlug).assign(other.data_, other.length_);
    return *this;
}
MStatus MPlugArray::set(const MPlug& element, unsigned int index) {
    return BUFFER(MPlug).set(element, index);
}
MStatus MPlugArray::setLength(unsigned int length) { return BUFFER(MPlug).setLength(length); }
unsigned int MPlugArray::length() const { return length_; }
MStatus MPlugArray::remove(unsigned int index) { return BUFFER(MPlug).remove(index); }
MStatus MPlugArray::insert(const MPlug& element, unsigned int index) {
    return BUFFER(MPlug).insert(element, index);
}
MStatus MPlugArray::append(const MPlug& element) { return BUFFER(MPlug).append(element); }
MStatus MPlugArray::copy(const MPlugArray& source) {
    BUFFER(MPlug).assign(source.data_, source.length_);
    return MS::kSuccess;
}
MStatus MPlugArray::clear() { return BUFFER(MPlug).clear(); }

OPENMAYA_NAMESPACE_CLOSE
