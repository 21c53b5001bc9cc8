// Huffman decoding tables: one lookup for short codes, a tree per prefix for long ones.
#include "decode/tables.h"
#include "resource.h"
#include "process/abort.h"
#include "process/messages.h"

void refuse_table() {
    report_file_error(fetch_string(IDS_BAD_TABLE), state.own_path);
    raise_abort();
}

namespace {

uint32_t take_node(uint32_t &free_node) {
    uint32_t node = free_node++;
    state.zero_branch[node] = 0;
    state.one_branch[node] = 0;
    return node;
}

} // namespace

// The format's own check is that the code space adds up to 0 modulo 65536. That also lets
// through a set with no codes at all and sets that fill the space two or more times over,
// which decode nothing sensible; lengths above 16 do not fit the table either. All three
// are refused here, so that only complete prefix codes are built: then every table entry
// is written anew, each tree below an entry is a full binary tree whose leaves sit exactly
// length - table_bits bits down, and the nodes number fewer than the symbols, so
// free_node stays below 2 * symbol_count - 1 <= BRANCH_SIZE.
void build_decode_table(uint32_t symbol_count, const uint8_t *lengths, uint32_t table_bits,
                        uint16_t *table) {
    uint32_t count[MAX_CODE_LENGTH + 1] = {};
    for (uint32_t s = 0; s < symbol_count; s++) {
        if (lengths[s] > MAX_CODE_LENGTH)
            refuse_table();
        count[lengths[s]]++;
    }
    // next_code[L]: the next code of length L, left-aligned in 16 bits.
    uint32_t next_code[MAX_CODE_LENGTH + 2];
    uint32_t code = 0;
    for (uint32_t length = 1; length <= MAX_CODE_LENGTH; length++) {
        next_code[length] = code;
        code += count[length] << (MAX_CODE_LENGTH - length);
    }
    if (code != 1u << MAX_CODE_LENGTH)
        refuse_table();
    next_code[MAX_CODE_LENGTH + 1] = code;

    uint32_t shift = MAX_CODE_LENGTH - table_bits;
    uint32_t table_size = 1u << table_bits;
    for (uint32_t i = next_code[table_bits + 1] >> shift; i < table_size; i++)
        table[i] = 0;

    uint32_t free_node = symbol_count;
    for (uint32_t s = 0; s < symbol_count; s++) {
        uint32_t length = lengths[s];
        if (length == 0)
            continue;
        uint32_t c = next_code[length];
        next_code[length] = c + (1u << (MAX_CODE_LENGTH - length));
        if (length <= table_bits) {
            uint16_t entry = table_entry(s, length);
            uint32_t end = (c >> shift) + (1u << (table_bits - length));
            for (uint32_t i = c >> shift; i < end; i++)
                table[i] = entry;
            continue;
        }
        uint16_t *root = &table[c >> shift];
        if (*root == 0)
            *root = table_entry(take_node(free_node), table_bits);
        uint32_t node = entry_value(*root);
        for (uint32_t bit = MAX_CODE_LENGTH - 1 - table_bits;; bit--) {
            uint16_t *branch = (c >> bit) & 1 ? &state.one_branch[node] : &state.zero_branch[node];
            if (bit == MAX_CODE_LENGTH - length) {
                *branch = (uint16_t)s;
                break;
            }
            if (*branch == 0)
                *branch = (uint16_t)take_node(free_node);
            node = *branch;
        }
    }
}

// A single symbol at or above the symbol count would be taken for a tree node and send
// decoding through branches left from earlier tables: refused like a bad set of lengths.
void fill_single_symbol(uint32_t symbol_count, uint32_t symbol, uint32_t table_bits,
                        uint16_t *table) {
    if (symbol >= symbol_count)
        refuse_table();
    for (uint32_t i = 0; i < 1u << table_bits; i++)
        table[i] = table_entry(symbol, 0);
}
