#pragma once
// What the value library's table of contents is shown in: a tree the caller owns (a tree
// widget, or a recording in a test), filled through this interface so that the library needs no
// GUI toolkit.
//
// The tree has three levels: the library's groups at the top, their lists below them, and below
// each list its columns other than `Name` (the list itself stands for its `Name` column, as a
// pattern names it). Hidden entries are left out.
#include <cstdint>
#include <string>

#include "synthor/engine/SynthorExport.h"

class SYNTHOR_API LibraryTreeSink {
 public:
  // A node as the sink identifies it; wide enough for a pointer.
  using NodeId = std::intptr_t;
  // The parent of the top-level nodes.
  static constexpr NodeId kRoot = 0;

  enum class NodeKind { Group, List, Column };

  virtual ~LibraryTreeSink() = default;
  // Adds a node with `text` as the last child of `parent` and returns its id, which the library
  // passes back as the parent of the node's children.
  virtual NodeId AddNode(NodeId parent, const std::wstring& text, NodeKind kind) = 0;
};
