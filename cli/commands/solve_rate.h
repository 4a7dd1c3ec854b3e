// How fast this machine runs the weight search's inner sum, so that a long
// solve can be announced before it starts.
#pragma once

// Seconds per term of a skinned-position error sum (one multiply-add of one
// candidate at one frame), with every logical processor at work: measured by
// running the same kind of sum for a few hundredths of a second.
double SecondsPerSkinningTerm();
