#pragma once

#include <stdexcept>
#include <string>

namespace addrova::store {

// Every failure of the engine: which file, what was being done, and why.
class Error : public std::runtime_error {
public:
    Error(std::string file, std::string operation, std::string cause)
        : std::runtime_error(compose(file, operation, cause)),
          file_(std::move(file)),
          operation_(std::move(operation)),
          cause_(std::move(cause)) {}

    const std::string& file() const noexcept { return file_; }
    const std::string& operation() const noexcept { return operation_; }
    const std::string& cause() const noexcept { return cause_; }

private:
    static std::string compose(const std::string& file, const std::string& op, const std::string& cause) {
        std::string s = op;
        if (!file.empty()) s += " " + file;
        if (!cause.empty()) s += ": " + cause;
        return s;
    }
    std::string file_, operation_, cause_;
};

// A file that does not follow its format (bad header, broken node, pointer out of range).
class FormatError : public Error {
public:
    using Error::Error;
};

// An index that does not match its table: missing, truncated or out of date.
class StaleIndexError : public Error {
public:
    using Error::Error;
};

// The file is held by someone else.
class LockError : public Error {
public:
    using Error::Error;
};

}  // namespace addrova::store
