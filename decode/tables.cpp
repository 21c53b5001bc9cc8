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
    // next_code[L]: the next code of length L, left-aligned in 16 bits. in_order[first[L]..]:
    // the symbols of length L, in symbol order (those of length 0 at the end); no code has
    // more symbols than the literal/length code.
    uint32_t next_code[MAX_CODE_LENGTH + 1];
    uint32_t first[MAX_CODE_LENGTH + 1];
    uint32_t code = 0;
    uint32_t coded = 0;
    for (uint32_t length = 1; length <= MAX_CODE_LENGTH; length++) {
        next_code[length] = code;
        code += count[length] << (MAX_CODE_LENGTH - length);
        first[length] = coded;
        coded += count[length];
    }
    if (code != 1u << MAX_CODE_LENGTH)
        refuse_table();
    first[0] = coded;
    uint16_t in_order[LIT_LEN_SYMBOLS];
    for (uint32_t s = 0; s < symbol_count; s++)
        in_order[first[lengths[s]]++] = (uint16_t)s;

    // Codes of up to table_bits bits, in code order: the codes of one length follow each
    // other, each covering 2^(table_bits - length) entries.
    uint16_t *to = table;
    const uint16_t *symbol = in_order;
    for (uint32_t length = 1; length <= table_bits; length++) {
        uint32_t span = 1u << (table_bits - length);
        for (uint32_t n = count[length]; n != 0; n--) {
            uint16_t entry = table_entry(*symbol++, length);
            for (uint32_t i = 0; i < span; i++)
                to[i] = entry;
            to += span;
        }
    }
    uint16_t *table_end = table + (1u << table_bits);
    if (to == table_end)
        return;

    // Longer codes, in symbol order: trees below the entries that are left.
    for (uint16_t *entry = to; entry < table_end; entry++)
        *entry = 0;
    uint32_t shift = MAX_CODE_LENGTH - table_bits;
    uint32_t free_node = symbol_count;
    for (uint32_t s = 0; s < symbol_count; s++) {
        uint32_t length = lengths[s];
        if (length <= table_bits)
            continue;
        uint32_t c = next_code[length];
        next_code[length] = c + (1u << (MAX_CODE_LENGTH - length));
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
