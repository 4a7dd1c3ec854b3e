// Stand-in host: class descriptors, through which the host learns of a
// plug-in class and creates its objects. ClassDesc2 adds the parameter-block
// descriptors of the class, builds their blocks and opens their rollouts.
#pragma once
#include <map>
#include <vector>

#include "class_id.h"
#include "host_types.h"

class Animatable;
class Interface;
class ReferenceMaker;
class ParamBlockDesc2;
class IParamBlock2;
class IParamMap2;

class ClassDesc {
 public:
  ClassDesc() = default;
  ClassDesc(const ClassDesc&) = delete;
  ClassDesc& operator=(const ClassDesc&) = delete;
  virtual ~ClassDesc() = default;

  virtual int IsPublic() = 0;
  // A new object of the class (an Animatable); loading says a scene load
  // will fill it.
  virtual void* Create(BOOL loading = FALSE) = 0;
  virtual const MCHAR* ClassName() = 0;
  virtual SClass_ID SuperClassID() = 0;
  virtual Class_ID ClassID() = 0;
  virtual const MCHAR* Category() = 0;
  // The name scripts know the class by.
  virtual const MCHAR* InternalName() { return nullptr; }
  // The module holding the class's resources.
  virtual HINSTANCE HInstance() { return nullptr; }
  // String resource id of the module, or nullptr when it has none. The
  // text stays valid as long as the descriptor.
  virtual const MCHAR* GetRsrcString(StringResID id);

 private:
  std::map<StringResID, MSTR> strings_;
};

class ClassDesc2 : public ClassDesc {
 public:
  // Deletes the class-parameter blocks; the block descriptors are not
  // touched (they may be gone already when a library unloads).
  ~ClassDesc2() override;

  void AddParamBlockDesc(ParamBlockDesc2* pbd);
  int NumParamBlockDescs() { return static_cast<int>(descs_.size()); }
  ParamBlockDesc2* GetParamBlockDesc(int i);
  ParamBlockDesc2* GetParamBlockDescByID(BlockID id);
  ParamBlockDesc2* GetParamBlockDescByName(const MCHAR* name);

  // For each P_AUTO_CONSTRUCT descriptor: a new block with the defaults,
  // installed as the owner's reference of the descriptor's number.
  virtual void MakeAutoParamBlocks(ReferenceMaker* owner);
  // Opens a map (rollout) for each P_AUTO_UI descriptor, showing obj's
  // block (the class's own block for P_CLASS_PARAMS).
  virtual void BeginEditParams(Interface* ip, ReferenceMaker* obj, ULONG flags, Animatable* prev);
  // Closes the maps opened for obj.
  virtual void EndEditParams(Interface* ip, ReferenceMaker* obj, ULONG flags, Animatable* next);

  // The open map of a descriptor, or nullptr.
  IParamMap2* GetParamMap(ParamBlockDesc2* pbd, MapID id = 0);
  // The class-level block of a P_CLASS_PARAMS descriptor, made on first use.
  IParamBlock2* GetClassParamBlock(ParamBlockDesc2* pbd);

 private:
  std::vector<ParamBlockDesc2*> descs_;
  std::vector<IParamMap2*> maps_;
  std::map<ParamBlockDesc2*, IParamBlock2*> classBlocks_;
};
