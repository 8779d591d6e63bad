#pragma once

// A Windows demonstration build talks to the simulator on a loopback port. Windows has no launcher
// script in front of the program, so the program starts the simulator beside its own executable,
// unless something already answers on that port, and waits (bounded) until it listens.
// The system ends the simulator together with the program, however the program ends.
void startBundledSimulator(unsigned short port);
