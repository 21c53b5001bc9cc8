// -l: the members, and a self-extractor's configuration.
#pragma once

#include "input.h"

int list_archive(const Input &input);
