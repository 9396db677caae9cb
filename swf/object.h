// The object model: every SWF record, value and tag is an FSTransformObject that sizes, encodes
// and decodes itself. length is always called before encode on the same stream, since encode
// relies on the field sizes that length cached.
#pragma once

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "swf/coder.h"

namespace transform {

class FSTransformObject {
public:
    virtual ~FSTransformObject() = default;
    virtual const char* name() const = 0;
    virtual std::unique_ptr<FSTransformObject> clone() const = 0;
    virtual int length(FSOutputStream& coder) = 0;
    virtual void encode(FSOutputStream& coder) = 0;
    virtual void decode(FSInputStream& coder) = 0;

protected:
    FSTransformObject() = default;
    FSTransformObject(const FSTransformObject&) = default;
    FSTransformObject& operator=(const FSTransformObject&) = default;
};

// A deep copy with the static type kept.
template <class T>
std::unique_ptr<T> cloneOf(const T& object) {
    return std::unique_ptr<T>(static_cast<T*>(object.clone().release()));
}

// The class name and deep copy that every concrete class provides.
#define TRANSFORM_OBJECT(Class)                                                     \
    const char* name() const override { return #Class; }                            \
    std::unique_ptr<::transform::FSTransformObject> clone() const override {        \
        return std::make_unique<Class>(*this);                                      \
    }

// An owning list of polymorphic objects: copies clone each element.
template <class T>
class FSArray {
public:
    using Items = std::vector<std::unique_ptr<T>>;

    FSArray() = default;
    FSArray(const FSArray& other) {
        items.reserve(other.items.size());
        for (const auto& item : other.items) items.push_back(cloneOf(*item));
    }
    FSArray& operator=(const FSArray& other) {
        if (this != &other) {
            FSArray copy(other);
            items.swap(copy.items);
        }
        return *this;
    }
    FSArray(FSArray&&) noexcept = default;
    FSArray& operator=(FSArray&&) noexcept = default;

    void add(std::unique_ptr<T> item) { items.push_back(std::move(item)); }
    template <class U, class... Args>
    U& emplace(Args&&... args) {
        auto item = std::make_unique<U>(std::forward<Args>(args)...);
        U& ref = *item;
        items.push_back(std::move(item));
        return ref;
    }
    std::size_t size() const { return items.size(); }
    bool empty() const { return items.empty(); }
    void clear() { items.clear(); }
    T& operator[](std::size_t index) { return *items.at(index); }
    const T& operator[](std::size_t index) const { return *items.at(index); }
    typename Items::iterator begin() { return items.begin(); }
    typename Items::iterator end() { return items.end(); }
    typename Items::const_iterator begin() const { return items.begin(); }
    typename Items::const_iterator end() const { return items.end(); }

private:
    Items items;
};

// The tag header common to every top-level object of a movie.
class FSMovieObject : public FSTransformObject {
public:
    int getType() const { return type; }
    // The body length in bytes as the last length or decode left it.
    int getLength() const { return bodyLength; }
    bool isExtendLength() const { return extendLength; }
    void setExtendLength(bool extend) { extendLength = extend; }
    // Bytes of header in front of a body of the cached length: 2, or 6 in the long form.
    int headerLength() const { return usesLongHeader() ? 6 : 2; }
    bool usesLongHeader() const { return extendLength || bodyLength >= 63; }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

protected:
    explicit FSMovieObject(int type) : type(type) {}

    int type;
    int bodyLength = 0;
    bool extendLength = false;
};

// A tag that defines a character: its identifier follows the header.
class FSDefineObject : public FSMovieObject {
public:
    int getIdentifier() const { return identifier; }
    void setIdentifier(int id) { identifier = id; }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

protected:
    FSDefineObject(int type, int identifier) : FSMovieObject(type), identifier(identifier) {}

    int identifier;
};

// Any tag the library does not model: its body is kept and written back byte for byte.
class FSUnknownObject : public FSMovieObject {
public:
    TRANSFORM_OBJECT(FSUnknownObject)

    explicit FSUnknownObject(FSInputStream& coder) : FSMovieObject(0) { decode(coder); }
    FSUnknownObject(int type, std::vector<uint8_t> data)
        : FSMovieObject(type), data(std::move(data)) {}

    const std::vector<uint8_t>& getData() const { return data; }
    void setData(std::vector<uint8_t> bytes) { data = std::move(bytes); }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

private:
    std::vector<uint8_t> data;
};

}  // namespace transform
