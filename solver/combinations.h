// k-element combinations in lexicographic order of list positions.
#pragma once
#include "sdk/tab.h"

// Every k-element combination of the list's entries, each in list order; for
// (0, 2, 3) and k = 2: (0, 2), (0, 3), (2, 3). Empty for k outside 1..Count.
Tab<Tab<int>> EnumerateCombinations(const Tab<int>& list, int k);

// Allocation-free walk over the same order, on positions into an n-entry list.
// Start from positions 0..k-1; each call advances to the next combination and
// returns false after the last one.
bool NextCombination(int* positions, int k, int n);
