#pragma once
// `$dll(plug-in)`: values a plug-in library returns (its interface: PluginInterface.h). The
// plug-in is looked for at the path given, then beside the program; it is loaded and installed
// when the pattern is compiled. A process confined to this machine (platform/Confinement.h) loads
// one only from its fixture folders.
#include <memory>
#include <string>
#include <vector>

#include "synthor/engine/SynthorExport.h"
#include "synthor/generators/base/IGenerator.h"
#include "synthor/generators/plugins/PluginInterface.h"

struct GeneratorCall;

class SYNTHOR_API PluginData : public IGenerator {
 public:
  PluginData(const std::vector<std::wstring>* args, std::wstring* errorText, int* errorCode);
  std::wstring Value(std::wstring* format) override;
  static IGenerator* Make(const GeneratorCall& call);

 private:
  struct Closer {
    void operator()(void* handle) const;
  };
  std::unique_ptr<void, Closer> module_;
  PluginGetValueFunction getValue_ = nullptr;
};
