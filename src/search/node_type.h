#pragma once
// The flags handed to every search call: the node's type, which says what
// the caller expects of it, and modifier bits that say how it was reached.

namespace vireo {

// The type: exactly one of these bits is set in a node's flags.
constexpr int PvNode = 1;   // an open window: its score may be exact
constexpr int AllNode = 2;  // expected to fail low
constexpr int CutNode = 4;  // expected to fail high
constexpr int NodeTypeBits = PvNode | AllNode | CutNode;

// Modifiers, carried beside the type.
constexpr int NullWindow = 8;
constexpr int Reduced = 32;  // a late move searched at reduced depth
constexpr int QuiescenceEntry = 256;

constexpr int nodeType(int flags) { return flags & NodeTypeBits; }
constexpr bool isPvNode(int flags) { return (flags & PvNode) != 0; }
constexpr bool hasOneNodeType(int flags) {
  return nodeType(flags) == PvNode || nodeType(flags) == AllNode || nodeType(flags) == CutNode;
}

// A non-PV node's flags with all and cut swapped, its modifiers kept: what
// its child expects when it expects the opposite.
constexpr int swapExpectation(int flags) { return flags ^ (AllNode | CutNode); }
// Children of a non-PV node expect the other of all/cut, with a null window.
constexpr int childFlags(int flags) { return swapExpectation(nodeType(flags)) | NullWindow; }

}  // namespace vireo
