// Skin weights as a file stores them: at most a given number per vertex,
// each kept as a float or as a normalised unsigned integer, summing to one
// exactly in the stored precision, as clients (and the glTF validator) ask.
#pragma once
#include <string>
#include <utility>
#include <vector>

enum class GltfWeightFormat { kFloat, kUnorm16, kUnorm8 };

// "float", "unorm16", "unorm8"; false for anything else.
bool ParseGltfWeightFormat(const std::string& text, GltfWeightFormat& format);
const char* GltfWeightFormatName(GltfWeightFormat format);

// One vertex's weights as stored, largest first: zero weights and repeated
// joints tidied away, the maxInfluences largest kept (ties keep joint order)
// and scaled to sum to one. Floats: the remainder of the sum goes to the
// largest. Integers: whole units of 1/65535 or 1/255 adding up to exactly
// 65535 or 255, the units left after rounding down going to the largest
// remainders; a weight that rounds to nothing is dropped. Each weight comes
// back as the value a client reads (units / 65535 or / 255). Empty when the
// weights sum to nothing.
std::vector<std::pair<int, float>> StoredInfluences(std::vector<std::pair<int, float>> weights, int maxInfluences,
                                                    GltfWeightFormat format);

// The stored unit count of a weight read back from StoredInfluences: 65535
// or 255 times it, rounded (0 for floats).
int StoredUnits(float weight, GltfWeightFormat format);
