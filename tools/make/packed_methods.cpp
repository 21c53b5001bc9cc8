#include "packed_methods.h"

#include <cstring>

#include "format/methods.h"
#include "legacy_decode.h"

bool stub_expands(const std::string &method) {
    return method.size() == 5 && method.compare(0, 3, "-lh") == 0 && method[4] == '-' &&
           method[3] != 0 && strchr(METHOD_LETTERS, method[3]);
}

bool can_expand(const std::string &method) {
    return stub_expands(method) || legacy::supported(method);
}
