#include "mervis/PumpMessage.h"

#include "platform/UiServices.h"

void PumpMessage() { platform::Ui().PumpMessages(); }
