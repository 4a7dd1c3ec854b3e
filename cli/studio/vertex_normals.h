// Vertex normals for the page's viewport, worked out on the server so that
// the page only uploads them: area-weighted face normals summed per vertex,
// as unit vectors in signed 8-bit components (-127..127 for -1..1).
#pragma once
#include <cstdint>
#include <vector>

// positions: 3 floats per vertex (V); triangles: 3 corners per face into V.
// normals: resized to 3V; a vertex on no face (or only degenerate ones) gets 0.
void QuantizedVertexNormals(const std::vector<float>& positions, const std::vector<std::uint32_t>& triangles,
                            std::vector<std::int8_t>& normals);
