// Start-up/shutdown guard of a unit: each unit's Initialize/Finalize pair is
// called explicitly from the program entry, and runs once however often it
// is called.
#pragma once

class TUnitCounter {
public:
  bool Enter() { return Count++ == 0; }   // true on the first start-up
  bool Leave() { return Count > 0 && --Count == 0; }   // true on the last shutdown
  int Value() const { return Count; }

private:
  int Count = 0;
};
