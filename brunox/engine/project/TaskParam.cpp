#include "brunox/engine/project/TaskParam.h"

bool TaskParam::Differs(const TaskParam& o) const {
  return PropFrom != o.PropFrom || PropLenFrom != o.PropLenFrom || PropTo != o.PropTo ||
         PropLenTo != o.PropLenTo || PropDateFormat != o.PropDateFormat ||
         PropStrType != o.PropStrType || PropTempl != o.PropTempl || PropMethod != o.PropMethod;
}
