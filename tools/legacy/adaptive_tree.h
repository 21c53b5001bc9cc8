// The adaptive Huffman tree of -lh1- and -lh2-. Encoder and decoder grow and reshape the same
// tree symbol by symbol, so its every tie-break is part of the format.
//
// Nodes are numbered from the root (0) down, in order of non-increasing count; the children of
// node n are kid[n] (bit 0) and kid[n] - 1 (bit 1). A leaf holds ~symbol in kid. Nodes of equal
// count form a block, a run of consecutive numbers whose first node is the block's leader.
// Counting a symbol walks from its leaf to the root; at each node the node first trades places
// (with its whole subtree) with its block's leader, then the leader's count goes up by one and
// it leaves the block for the one before it or a block of its own. That keeps the numbering in
// count order, so the tree stays a Huffman tree of the counts.
#pragma once

#include "bit_input.h"

#include <cstdint>
#include <vector>

namespace legacy {

class AdaptiveTree {
  public:
    // A tree of `symbols` leaves counted once each (the character tree). The root's count is
    // the total; when it reaches 0x8000 every count is halved and the tree rebuilt.
    void start_full(unsigned symbols);
    // A tree whose root is the only leaf, symbol 0, of a tree that can hold `capacity` symbols
    // (the position tree of -lh2-). The root is never counted: a total kept apart decides
    // when to halve.
    void start_single(unsigned capacity);
    // Splits the most recently added leaf into itself and a new leaf for `symbol`, and counts
    // the new symbol once.
    void add_leaf(unsigned symbol);

    // Reads one symbol and counts it.
    unsigned decode(BitInput &in);

  private:
    void reset(unsigned symbols);
    void count(unsigned symbol);
    int bump(int node);
    void rebuild();
    void place(int node, std::uint32_t count, int kid);
    int new_block(int leader);

    std::vector<std::uint32_t> count_;
    std::vector<int> kid_, up_, leaf_, block_, leader_, free_blocks_;
    int last_ = 0;
    bool separate_total_ = false;
    std::uint32_t total_ = 0;
};

} // namespace legacy
