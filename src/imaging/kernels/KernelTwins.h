// The fast twins of the pixel kernels: per kernel family, a table of the functions that the
// chosen instruction set runs, filled for each path in one place (KernelTwins.cpp).
#pragma once

#include "imaging/kernels/ConverterTwins.h"
#include "imaging/kernels/DemosaicTwins.h"
#include "imaging/kernels/GrayGainsTwins.h"
#include "imaging/kernels/HueSaturationTwins.h"
#include "imaging/kernels/KernelPath.h"
#include "imaging/kernels/RestrideTwins.h"
#include "imaging/kernels/SharpenTwins.h"
#include "imaging/kernels/ToneLookup.h"

// A kernel reads its family's table once per call and takes a twin where the table has one: a
// null entry means that this path has no twin for that part, and the reference code runs. The
// reference path's tables are all null but the tone runs, which are the reference loops there.
// Every twin gives the reference's bytes, so the path changes the speed, never the pixels.
struct KernelTwins {
    KernelPath path;
    DemosaicTwins demosaic;
    GrayGainsTwins grayGains;
    HueSaturationTwins hueSaturation;
    SharpenTwins sharpen;
    ToneTwins tone;
    ConverterTwins converters;
    RestrideTwins restride;
};

// The tables of the active path (ActiveKernelPath). They are constant, one set per path, so any
// number of threads may read them while a test forces another path between kernel calls.
const KernelTwins& Twins();
