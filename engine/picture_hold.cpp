#include "engine/picture_hold.h"

TPictureHold::~TPictureHold()
{
    while (!ring.IsEmpty())
        Take().frame->Release();
}

TPictureHold::Held TPictureHold::Take()
{
    Held held = {NULL, 0};
    ring.Pop(held);
    return held;
}
