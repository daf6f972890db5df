// COM for the calling thread, as a single-threaded apartment, for as long as the object
// lives. The program's user-interface thread owns one: the media library's objects are
// created and called on that thread only, and must all be released before it ends.
#pragma once

namespace itunes::com {

class ComApartment {
  public:
    ComApartment();
    ~ComApartment();
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

    // False when COM could not be initialised (for example the thread already runs in a
    // multithreaded apartment); the library's objects then cannot be created.
    bool Ok() const { return initialised_; }

  private:
    bool initialised_ = false;
};

}  // namespace itunes::com
