#pragma once
// What the generators' constructors and factories share: reading a parameter, handing an error
// to the engine's error pair, and choosing the engine a generator draws with.
#include <cstddef>
#include <string>
#include <vector>

class DSynthor;
struct GeneratorCall;

// Parameter `index` (from 0); empty when there is none (or no parameters at all).
const std::wstring& Param(const std::vector<std::wstring>* args, std::size_t index);

// Writes a constructor's error pair. Either pointer may be null (a caller that does not want to
// know).
void ReportConstructionError(std::wstring* errorText, int* errorCode, int code,
                             const std::wstring& text);

// The engine a generator made for `call` draws with: the pattern's, else the caller's.
DSynthor* EngineOf(const GeneratorCall& call);
