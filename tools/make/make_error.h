// A refusal or failure of the builder, carrying the whole message for the user. Thrown
// wherever it is found and reported once by main; the output file is then never made.
#pragma once

#include <stdexcept>

struct MakeError : std::runtime_error {
    using std::runtime_error::runtime_error;
};
