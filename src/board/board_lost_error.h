#pragma once

#include <stdexcept>
#include <string>

namespace zr {

// Raised by an exchange with a board that reports itself lost, so that no stale buffer bytes are
// decoded as readings. Whoever drives the device (the polling timer, a button handler, the
// command-line tool) catches it and stops device traffic.
class BoardLostError : public std::runtime_error {
public:
    explicit BoardLostError(const std::string& reason)
        : std::runtime_error(reason.empty() ? std::string("The evaluation board was lost.")
                                            : "The evaluation board was lost: " + reason)
    {
    }
};

} // namespace zr
