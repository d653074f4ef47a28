#pragma once
// The table of processing operations by name. The batch tool, the benchmarks and the golden tests
// all iterate this one table; each entry binds its argument text to a step that runs the document
// command of the same name on a cImageDocumentCore.

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "document/cImageDocumentCore.h"

namespace brennic {

// A malformed operation or argument; the message names the operation.
class cUsageError : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
};

// What binding an operation may need from its caller: other pictures named by a path.
class IOperationContext {
 public:
  virtual ~IOperationContext() = default;
  // Loads the picture file at sPath; raises cError with a description when it cannot.
  virtual std::unique_ptr<cDIBSection> LoadImageFile(const std::string& sPath) = 0;
};

using cOperationStep = std::function<void(cImageDocumentCore&)>;

struct cOperation {
  std::string sName;     // "blur", "fade", ...
  std::string sArgHint;  // "" when the operation takes no argument, else e.g. "N" or "WxH"
  bool bArgOptional = false;
  std::string sSummary;  // one line for --help
  // Checks the argument text (empty when none was given) and returns the step to run. Raises
  // cUsageError for a malformed argument, cError when a named file cannot be read.
  std::function<cOperationStep(const std::string& sArg, IOperationContext& ctx)> Bind;
  // A well-formed argument for ProbeOperation. File names in it need not exist: the probe's
  // context answers every picture file with a small picture.
  std::string sProbeArg;
  // When set, the probe writes this text to a scratch file and passes its name as the argument.
  std::string sProbeFileText;
};

const std::vector<cOperation>& Operations();
const cOperation* FindOperation(const std::string& sName);

// Parses "name" or "name=argument" and binds it.
cOperationStep ParseOperation(const std::string& sText, IOperationContext& ctx);

// Whether the engine behind an operation is built: runs it with its probe argument on a 4 x 3
// picture (an engine part that is not built yet fails on any picture). Returns "" when it ran,
// otherwise the failure's description. The program's random sequence is left where it was.
std::string ProbeOperation(const cOperation& op);

// The context the probe binds with: every picture file is a small picture.
class cProbeContext final : public IOperationContext {
 public:
  std::unique_ptr<cDIBSection> LoadImageFile(const std::string& sPath) override;
};

}  // namespace brennic
