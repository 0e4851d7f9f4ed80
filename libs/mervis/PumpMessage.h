#pragma once
// Lets the window handle its pending events inside a long loop on the window thread; does nothing
// in console mode.
void PumpMessage();
