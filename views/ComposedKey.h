#pragma once
// The state a control's private picture was last composed for.
//
// Some controls compose their picture in a private image from images fixed when they are
// initialised and from one small key (a handle position, a frame number, a meter's top row).
// Composing costs several blends; handing the picture to the surface costs one copy. A
// control remembers the key of the picture it holds and composes again only for another
// key. Wherever the private image or an image it is composed from is made anew, the control
// forgets the key, so a picture of earlier images is never taken for the current one.

#include <optional>

template <class Key>
class ComposedKey {
  public:
    // Whether the private picture was last composed for key.
    bool Holds(const Key& key) const { return last.has_value() && *last == key; }
    // The private picture now shows key.
    void Record(const Key& key) { last = key; }
    // The private picture is unknown: the next draw composes it.
    void Forget() { last.reset(); }

  private:
    std::optional<Key> last;
};
