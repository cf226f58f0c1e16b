// The window template built into the program (generated from data/windows by
// the template compiler).
#pragma once

extern const unsigned char vxTemplateData[];
extern const unsigned int vxTemplateSize;
