// Root of every exception family in the system. Families derive from it
// (EZp... for the zip engine, ENet... for the FTP client, EDb... for the
// settings store), so the application's general error display can show the
// message of anything a handler lets through.
#pragma once

#include <stdexcept>
#include <string>

class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
    std::string Message() const { return what(); }
};
