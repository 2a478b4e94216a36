#pragma once
// The base of the system's exceptions: a failure that carries a code from one
// of the fixed message tables.

#include <exception>
#include <string>

class CException : public std::exception {
public:
    explicit CException(int code) : code_(code) {}
    int code() const { return code_; }
    // The table text for the code (UTF-8), or nullptr when the table has none.
    virtual const char* message() const = 0;
    const char* what() const noexcept override
    {
        const char* m = message();
        return m ? m : "";
    }

private:
    int code_;
};
