// The EMF record translator: an enhanced metafile into a Drawing.
#pragma once

#include "model/drawing.h"
#include "platform/read_report.h"

// 1 on success; 0 on failure, with the Drawing left freed (all zero).
// The report, when given, receives the cause (and the record index) of a
// failure and the record types passed over.
int emf_proc(const char* fileName, Drawing* drawing, ReadReport* report = nullptr);
