#include "drawing/RunDrawingPass.h"

void RunDrawingPass(HostStudyInterface& host, float topPrice, float bottomPrice, int32_t frameStartBar,
                    int32_t frameEndBar) {
    (void)host;
    (void)topPrice;
    (void)bottomPrice;
    (void)frameStartBar;
    (void)frameEndBar;
}
