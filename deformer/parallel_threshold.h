// Below this many vertices a deformation loop runs on the calling thread: the
// work is smaller than waking the worker threads, and far smaller than
// waiting for them on a busy machine. Every vertex is computed the same way
// either way.
#pragma once

constexpr int kParallelMinVertices = 2048;
