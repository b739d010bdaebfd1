#include "sound/sound_library.h"
