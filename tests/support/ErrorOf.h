#pragma once
// The text of the exception an action raises, or "(no error)".

#include <exception>
#include <functional>
#include <string>

inline std::string ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::exception& error) {
        return error.what();
    }
    return "(no error)";
}
