#pragma once

// The maker's shared DSP helpers.
#include "BaseDsp.h"
#include "ChebyWaveshaper.h"
#include "CircularBuffer.h"
#include "FilterSection.h"
