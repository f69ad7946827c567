// The one error the temperament layer raises: what is wrong with the input, in words
// for the person who typed it.
#pragma once

#include <stdexcept>
#include <string>

struct TemperamentError : std::runtime_error {
  explicit TemperamentError(const std::string &what) : std::runtime_error(what) {}
};
