#include "synthor/generators/VLibrary.h"

VLibrary::VLibrary(DSynthor* engine) : engine_(engine) {}

VLibrary::~VLibrary() = default;
