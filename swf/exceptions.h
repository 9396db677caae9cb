// Failures of the transform library. All are thrown by value and derive from FSException, which
// owns a copy of its message.
#pragma once

#include <exception>
#include <string>

namespace transform {

class FSException : public std::exception {
public:
    explicit FSException(std::string message) : message(std::move(message)) {}
    const char* what() const noexcept override { return message.c_str(); }
    const std::string& getMessage() const { return message; }

private:
    std::string message;
};

// Memory could not be had, or a size read from a file is beyond what the library will allocate.
class FSAllocationException : public FSException {
public:
    explicit FSAllocationException(std::string message = "Cannot allocate memory")
        : FSException(std::move(message)) {}
};

// Malformed or mis-sized data.
class FSFormatException : public FSException {
public:
    using FSException::FSException;
};

class FSFileOpenException : public FSException {
public:
    using FSException::FSException;
};

// A file could be opened but not read or written.
class FSAccessException : public FSException {
public:
    using FSException::FSException;
};

class FSIndexOutOfBoundsException : public FSException {
public:
    using FSException::FSException;
};

class FSArrayIndexOutOfBoundsException : public FSIndexOutOfBoundsException {
public:
    FSArrayIndexOutOfBoundsException() : FSIndexOutOfBoundsException("Array index out of bounds") {}
};

}  // namespace transform
