// Binding of the outside sound library "GaugeSound", shared by the sound link,
// the warning gauge and the sign switches.
#pragma once
