// The loader's implementation, compiled once. Images are never decoded: the
// character needs none, and the writer copies them from the source bytes.
#define TINYGLTF_IMPLEMENTATION
#include <tiny_gltf.h>
