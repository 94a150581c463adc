#include "zip/deflate/ZpDfPkMg.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "zip/ZpExcept.h"
#include "zip/deflate/ZpDfBase.h"

namespace {

// A leaf has no first child and keeps its symbol index; a package has two.
struct TNode {
    uint64_t weight;
    uint32_t counter;
    uint32_t symbol;
    TNode* child1;
    TNode* child2;
};

// Quicksort by ascending weight with the middle element's weight as pivot;
// the order of equal weights is whatever this sort leaves, and the code
// lengths of tied symbols depend on it, so its exact steps are kept.
void SortLeaves(TNode** a, int left, int right)
{
    while (left < right) {
        int i = left, j = right;
        const uint64_t pivot = a[(left + right) / 2]->weight;
        do {
            while (a[i]->weight < pivot)
                ++i;
            while (a[j]->weight > pivot)
                --j;
            if (i <= j) {
                std::swap(a[i], a[j]);
                ++i;
                --j;
            }
        } while (i <= j);
        if (left < j)
            SortLeaves(a, left, j);
        left = i;
    }
}

// Adds 1 to the counter of every leaf below node (depth is at most 15).
void CountLeaves(TNode* node)
{
    if (!node->child1) {
        ++node->counter;
        return;
    }
    CountLeaves(node->child1);
    CountLeaves(node->child2);
}

} // namespace

void GenerateCodeLengths(unsigned maxCodeLength, std::span<const uint32_t> weights, uint8_t* lengths, unsigned start,
                         TZpLogger*)
{
    ZpAssert(maxCodeLength >= 1 && maxCodeLength <= 15,
             "GenerateCodeLengths: the maximum code length should be in the range 1..15");
    const size_t n = weights.size();
    ZpAssert(n >= 1 && n <= 286, "GenerateCodeLengths: the weight array must have 1..286 elements");
    ZpAssert(n <= (size_t(1) << maxCodeLength),
             "GenerateCodeLengths: the package-merge algorithm should always be feasible");
    std::memset(lengths + start, 0, n);

    TZpNodeManager arena(sizeof(TNode));
    std::vector<TNode*> leaves;
    leaves.reserve(n);
    for (size_t s = 0; s < n; ++s) {
        if (weights[s] == 0)
            continue;
        auto* node = static_cast<TNode*>(arena.AllocNode());
        *node = TNode{weights[s], 1, static_cast<uint32_t>(s), nullptr, nullptr};
        leaves.push_back(node);
    }
    if (leaves.size() <= 1) {
        lengths[start + (leaves.empty() ? 0 : leaves[0]->symbol)] = 1;
        return;
    }
    SortLeaves(leaves.data(), 0, static_cast<int>(leaves.size()) - 1);

    std::vector<TNode*> current(leaves), next;
    current.reserve(2 * leaves.size());
    next.reserve(2 * leaves.size());
    std::vector<TNode*> packages;
    packages.reserve(leaves.size());
    for (unsigned round = 1; round < maxCodeLength; ++round) {
        packages.clear();
        for (size_t i = 0; i + 1 < current.size(); i += 2) {
            auto* p = static_cast<TNode*>(arena.AllocNode());
            *p = TNode{current[i]->weight + current[i + 1]->weight, 0, 0, current[i], current[i + 1]};
            packages.push_back(p);
        }
        next.clear();
        size_t a = 0, b = 0;
        while (a < leaves.size() || b < packages.size()) {
            if (b == packages.size() || (a < leaves.size() && leaves[a]->weight <= packages[b]->weight))
                next.push_back(leaves[a++]);
            else
                next.push_back(packages[b++]);
        }
        current.swap(next);
    }
    const size_t take = 2 * leaves.size() - 2;
    for (size_t i = 0; i < take && i < current.size(); ++i)
        if (current[i]->child1) {
            CountLeaves(current[i]->child1);
            CountLeaves(current[i]->child2);
        }
    for (TNode* leaf : leaves)
        lengths[start + leaf->symbol] = static_cast<uint8_t>(leaf->counter);
}
