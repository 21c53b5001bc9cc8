#include "lzh_format.h"

namespace lzh {

bool method_params(char method, MethodParams &params) {
    if (method < '4' || method > '7')
        return false;
    params = {window_bits_of(method), position_symbols_of(method), position_count_bits_of(method)};
    return true;
}

} // namespace lzh
