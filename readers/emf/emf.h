// The EMF record translator: an enhanced metafile into a Drawing.
#pragma once

#include "model/drawing.h"

// 1 on success; 0 on failure, with the Drawing left freed (all zero).
int emf_proc(const char* fileName, Drawing* drawing);
