#include "adaptive_tree.h"

#include <utility>

namespace legacy {

namespace {
constexpr std::uint32_t rescale_at = 0x8000;
constexpr std::uint32_t pinned = 0xffff; // a root that is never counted
} // namespace

int AdaptiveTree::new_block(int leader) {
    int block = free_blocks_.back();
    free_blocks_.pop_back();
    leader_[block] = leader;
    return block;
}

// Puts a count and a child (or a leaf's ~symbol) at `node` and points the child back at it.
void AdaptiveTree::place(int node, std::uint32_t count, int kid) {
    count_[node] = count;
    kid_[node] = kid;
    if (kid >= 0)
        up_[kid] = up_[kid - 1] = node;
    else
        leaf_[~kid] = node;
}

// Room for a full tree of `symbols` leaves, every block id free.
void AdaptiveTree::reset(unsigned symbols) {
    int nodes = static_cast<int>(symbols) * 2 - 1;
    count_.assign(nodes, 0);
    kid_.assign(nodes, 0);
    up_.assign(nodes, 0);
    block_.assign(nodes, 0);
    leaf_.assign(symbols, 0);
    leader_.assign(nodes, 0);
    free_blocks_.clear();
    for (int block = nodes - 1; block >= 0; --block)
        free_blocks_.push_back(block);
}

void AdaptiveTree::start_full(unsigned symbols) {
    reset(symbols);
    separate_total_ = false;
    last_ = static_cast<int>(symbols) * 2 - 2;
    // Leaves from the bottom up in symbol order, then each parent over the next two nodes.
    int leaves = new_block(static_cast<int>(symbols) - 1);
    for (unsigned symbol = 0; symbol < symbols; ++symbol) {
        int node = last_ - static_cast<int>(symbol);
        place(node, 1, ~static_cast<int>(symbol));
        block_[node] = leaves;
    }
    int child = last_;
    for (int node = static_cast<int>(symbols) - 2; node >= 0; --node, child -= 2) {
        place(node, count_[child] + count_[child - 1], child);
        block_[node] = count_[node] == count_[node + 1] ? block_[node + 1] : new_block(node);
        leader_[block_[node]] = node;
    }
}

void AdaptiveTree::start_single(unsigned capacity) {
    reset(capacity);
    separate_total_ = true;
    total_ = 0;
    last_ = 0;
    place(0, 1, ~0);
    block_[0] = new_block(0);
}

void AdaptiveTree::add_leaf(unsigned symbol) {
    if (last_ + 2 >= static_cast<int>(count_.size()) || symbol >= leaf_.size())
        return;
    int old_leaf = last_ + 1, added = last_ + 2;
    place(old_leaf, count_[last_], kid_[last_]);
    block_[old_leaf] = block_[last_];
    place(added, 0, ~static_cast<int>(symbol));
    kid_[last_] = added;
    up_[old_leaf] = up_[added] = last_;
    if (last_ == 0) {
        // The root stops being a leaf: it leaves its block and is never counted again.
        count_[0] = pinned;
        leader_[block_[0]] = old_leaf;
    }
    block_[added] = new_block(added);
    last_ = added;
    count(symbol);
}

unsigned AdaptiveTree::decode(BitInput &in) {
    int node = 0;
    while (kid_[node] >= 0)
        node = kid_[node] - static_cast<int>(in.bit());
    unsigned symbol = static_cast<unsigned>(~kid_[node]);
    count(symbol);
    return symbol;
}

void AdaptiveTree::count(unsigned symbol) {
    if (separate_total_) {
        if (total_ == rescale_at) {
            rebuild();
            total_ = count_[0];
            count_[0] = pinned;
        }
        for (int node = leaf_[symbol]; node != 0;)
            node = bump(node);
        ++total_;
    } else {
        if (count_[0] == rescale_at)
            rebuild();
        ++count_[0];
        for (int node = leaf_[symbol]; node != 0;)
            node = bump(node);
    }
}

// Counts `node` once as described above; returns the parent to count next.
int AdaptiveTree::bump(int node) {
    int block = block_[node];
    int leader = leader_[block];
    bool others = leader != node || (node < last_ && block_[node + 1] == block);
    if (leader != node) {
        int mine = kid_[node], theirs = kid_[leader];
        place(leader, count_[leader], mine);
        place(node, count_[node], theirs);
        node = leader;
    }
    ++count_[node];
    bool joins = count_[node] == count_[node - 1];
    if (others) {
        leader_[block] = node + 1;
        block_[node] = joins ? block_[node - 1] : new_block(node);
    } else if (joins) {
        free_blocks_.push_back(block);
        block_[node] = block_[node - 1];
    }
    return up_[node];
}

// Halves every leaf's count (rounding up) and rebuilds the tree bottom-up: the two lowest
// nodes not yet joined get a parent, placed above every remaining leaf whose count does not
// exceed the parent's.
void AdaptiveTree::rebuild() {
    std::vector<std::pair<std::uint32_t, int>> leaves;
    for (int node = 0; node <= last_; ++node)
        if (kid_[node] < 0)
            leaves.emplace_back((count_[node] + 1) / 2, kid_[node]);
    int next = static_cast<int>(leaves.size()) - 1;
    int pos = last_;
    for (int pair = last_ - 1; pos >= 0; pair -= 2) {
        for (; pos >= pair && next >= 0; --pos, --next)
            place(pos, leaves[next].first, leaves[next].second);
        if (pair < 0)
            break;
        std::uint32_t sum = count_[pair] + count_[pair + 1];
        for (; next >= 0 && leaves[next].first <= sum; --pos, --next)
            place(pos, leaves[next].first, leaves[next].second);
        place(pos--, sum, pair + 1);
    }
    free_blocks_.clear();
    for (int block = static_cast<int>(leader_.size()) - 1; block >= 0; --block)
        free_blocks_.push_back(block);
    for (int node = 0; node <= last_; ++node)
        block_[node] =
            node > 0 && count_[node] == count_[node - 1] ? block_[node - 1] : new_block(node);
}

} // namespace legacy
