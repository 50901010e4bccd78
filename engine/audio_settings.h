// The sound a recording takes, as the main dialog builds it and the engine uses it.
#pragma once

struct TAudioSettings {
    // -2 no sound, -1 the wave mapper, 0 and up a wave-input device number.
    int device;
    int channels; // 1 or 2
    int rate;     // Hz
};
