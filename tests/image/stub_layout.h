// The file layout every laid-out stub must have, checked against the image the linker wrote.
#pragma once

#include "pe_file.h"

// Adds a test failure for every byte of the DOS part that differs from the layout table,
// for PE headers that changed beyond SizeOfHeaders, CheckSum and the file offsets they
// hold, for data after the headers that did not move intact, and for a wrong checksum.
void expect_stub_layout(const Bytes &linked, const Bytes &image);
