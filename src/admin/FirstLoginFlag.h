#pragma once

namespace brel {

/// The first-start flag `Beginer` of the settings store: 1 once the login
/// dialog has been shown on this machine. Missing or unreadable reads as 0
/// (and is written as 0).
int ReadFirstLoginFlag();
void WriteFirstLoginFlag(int value);

} // namespace brel
