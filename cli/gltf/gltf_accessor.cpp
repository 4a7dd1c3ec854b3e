// Accessor reading: strides, sparse substitution and normalised integers.
#include "cli/gltf/gltf_accessor.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

int ComponentSize(int type) {
  switch (type) {
    case TINYGLTF_COMPONENT_TYPE_BYTE:
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE: return 1;
    case TINYGLTF_COMPONENT_TYPE_SHORT:
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT: return 2;
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT:
    case TINYGLTF_COMPONENT_TYPE_FLOAT: return 4;
    default: return 0;
  }
}

int ComponentCount(int type) {
  switch (type) {
    case TINYGLTF_TYPE_SCALAR: return 1;
    case TINYGLTF_TYPE_VEC2: return 2;
    case TINYGLTF_TYPE_VEC3: return 3;
    case TINYGLTF_TYPE_VEC4: return 4;
    case TINYGLTF_TYPE_MAT2: return 4;
    case TINYGLTF_TYPE_MAT3: return 9;
    case TINYGLTF_TYPE_MAT4: return 16;
    default: return 0;
  }
}

double Component(const unsigned char* p, int type, bool normalized) {
  switch (type) {
    case TINYGLTF_COMPONENT_TYPE_BYTE: {
      const double v = *reinterpret_cast<const std::int8_t*>(p);
      return normalized ? std::max(v / 127.0, -1.0) : v;
    }
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE: return normalized ? *p / 255.0 : *p;
    case TINYGLTF_COMPONENT_TYPE_SHORT: {
      std::int16_t s;
      std::memcpy(&s, p, 2);
      return normalized ? std::max(s / 32767.0, -1.0) : s;
    }
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT: {
      std::uint16_t s;
      std::memcpy(&s, p, 2);
      return normalized ? s / 65535.0 : s;
    }
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT: {
      std::uint32_t u;
      std::memcpy(&u, p, 4);
      return u;
    }
    default: {
      float f;
      std::memcpy(&f, p, 4);
      return f;
    }
  }
}

// Start and stride of count elements of elemSize bytes in a buffer view.
bool Locate(const tinygltf::Model& m, int viewIndex, size_t byteOffset, size_t count, size_t elemSize,
            bool useStride, const unsigned char*& start, size_t& stride, const std::string& what,
            std::string& error) {
  if (viewIndex < 0 || viewIndex >= int(m.bufferViews.size())) {
    error = "invalid glTF file: " + what + " names buffer view " + std::to_string(viewIndex) +
            ", which does not exist";
    return false;
  }
  const tinygltf::BufferView& view = m.bufferViews[viewIndex];
  if (view.buffer < 0 || view.buffer >= int(m.buffers.size())) {
    error = "invalid glTF file: buffer view " + std::to_string(viewIndex) + " names buffer " +
            std::to_string(view.buffer) + ", which does not exist";
    return false;
  }
  const std::vector<unsigned char>& data = m.buffers[view.buffer].data;
  if (view.byteOffset > data.size() || view.byteLength > data.size() - view.byteOffset) {
    error = "accessor out of bounds: buffer view " + std::to_string(viewIndex) + " reaches past the end of buffer " +
            std::to_string(view.buffer);
    return false;
  }
  stride = useStride && view.byteStride > 0 ? view.byteStride : elemSize;
  if (stride < elemSize) {
    error = "invalid glTF file: " + what + " has a stride smaller than its elements";
    return false;
  }
  const size_t need = count == 0 ? 0 : stride * (count - 1) + elemSize;
  if (byteOffset > view.byteLength || need > view.byteLength - byteOffset) {
    error = "accessor out of bounds: " + what + " needs " + std::to_string(byteOffset + need) +
            " bytes of buffer view " + std::to_string(viewIndex) + ", which has " + std::to_string(view.byteLength);
    return false;
  }
  start = data.data() + view.byteOffset + byteOffset;
  return true;
}

}  // namespace

bool ReadGltfAccessor(const tinygltf::Model& m, int index, std::vector<double>& values, int& components,
                      std::string& error) {
  const std::string what = "accessor " + std::to_string(index);
  if (index < 0 || index >= int(m.accessors.size())) {
    error = "invalid glTF file: " + what + " does not exist";
    return false;
  }
  const tinygltf::Accessor& a = m.accessors[index];
  const int csize = ComponentSize(a.componentType);
  components = ComponentCount(a.type);
  if (csize == 0 || components == 0) {
    error = "invalid glTF file: " + what + " has an unknown component type or type";
    return false;
  }
  if ((a.type == TINYGLTF_TYPE_MAT2 || a.type == TINYGLTF_TYPE_MAT3) && csize < 4) {
    error = "invalid glTF file: " + what + " is a padded small-integer matrix, which is not read";
    return false;
  }
  const size_t elem = size_t(csize) * components;
  values.assign(a.count * components, 0.0);
  if (a.bufferView >= 0) {
    const unsigned char* p;
    size_t stride;
    if (!Locate(m, a.bufferView, a.byteOffset, a.count, elem, true, p, stride, what, error)) return false;
    for (size_t i = 0; i < a.count; ++i)
      for (int c = 0; c < components; ++c)
        values[i * components + c] = Component(p + i * stride + size_t(c) * csize, a.componentType, a.normalized);
  }
  if (a.sparse.isSparse && a.sparse.count > 0) {
    const size_t n = size_t(a.sparse.count);
    const int isize = ComponentSize(a.sparse.indices.componentType);
    if (isize == 0) {
      error = "invalid glTF file: " + what + " has sparse indices of an unknown type";
      return false;
    }
    const unsigned char *ip, *vp;
    size_t istride, vstride;
    if (!Locate(m, a.sparse.indices.bufferView, a.sparse.indices.byteOffset, n, isize, false, ip, istride,
                what + " (sparse indices)", error) ||
        !Locate(m, a.sparse.values.bufferView, a.sparse.values.byteOffset, n, elem, false, vp, vstride,
                what + " (sparse values)", error))
      return false;
    for (size_t k = 0; k < n; ++k) {
      const size_t i = size_t(Component(ip + k * istride, a.sparse.indices.componentType, false));
      if (i >= a.count) {
        error = "accessor out of bounds: " + what + " has a sparse index past its count";
        return false;
      }
      for (int c = 0; c < components; ++c)
        values[i * components + c] = Component(vp + k * vstride + size_t(c) * csize, a.componentType, a.normalized);
    }
  }
  return true;
}
