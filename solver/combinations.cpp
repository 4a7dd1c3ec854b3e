#include "solver/combinations.h"

namespace {

void Recurse(const Tab<int>& list, int k, int from, Tab<int>& chosen, Tab<Tab<int>>& result) {
  const int position = chosen.Count();
  if (position == k) {
    result.Append(chosen);
    return;
  }
  // Leave enough entries for the positions still to fill.
  const int last = list.Count() - (k - position);
  for (int i = from; i <= last; ++i) {
    chosen.Append(list[i]);
    Recurse(list, k, i + 1, chosen, result);
    chosen.Delete(chosen.Count() - 1, 1);
  }
}

}  // namespace

Tab<Tab<int>> EnumerateCombinations(const Tab<int>& list, int k) {
  Tab<Tab<int>> result;
  if (k < 1 || k > list.Count()) return result;
  Tab<int> chosen;
  Recurse(list, k, 0, chosen, result);
  return result;
}

bool NextCombination(int* positions, int k, int n) {
  int j = k - 1;
  while (j >= 0 && positions[j] == n - k + j) --j;
  if (j < 0) return false;
  ++positions[j];
  for (int i = j + 1; i < k; ++i) positions[i] = positions[i - 1] + 1;
  return true;
}
