#include "lzh_format.h"

namespace lzh {

bool method_params(char method, MethodParams &params) {
    switch (method) {
    case '4':
        params = {12, 14, 4};
        return true;
    case '5':
        params = {13, 14, 4};
        return true;
    case '6':
        params = {15, 17, 5};
        return true;
    case '7':
        params = {16, 17, 5};
        return true;
    default:
        return false;
    }
}

} // namespace lzh
