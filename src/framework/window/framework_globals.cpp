#include "framework/window/framework_globals.h"

uint8_t GlobalRequest{};
uint8_t GlobalResponse{};
int32_t VCRRequest{};
