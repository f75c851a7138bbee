// Nothing of its own: the shared objects made from this file only check that one
// wing of the engine links with the wings it may use and no others.
