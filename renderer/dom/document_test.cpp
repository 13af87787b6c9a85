#include "dom/document.h"

#include <gtest/gtest.h>

namespace kivo_dom {
namespace {

std::vector<std::size_t> child_indices(const Document& doc, NodeId parent) {
  std::vector<std::size_t> out;
  for (const NodeId& c : doc.node(parent).children) out.push_back(c.index);
  return out;
}

TEST(DocumentTest, NewDocumentHasOnlyTheRootAndConsecutiveIds) {
  Document a;
  Document b;
  ASSERT_EQ(a.nodes.size(), 1u);
  EXPECT_TRUE(a.nodes[0].kind.is_document());
  EXPECT_FALSE(a.nodes[0].parent.has_value());
  EXPECT_EQ(b.id, a.id + 1);
  EXPECT_GE(a.id, 1u);
}

TEST(DocumentTest, AppendChildRefusalsLeaveTheTreeUnchanged) {
  Document doc;
  Document other;
  const NodeId html = doc.insert(NodeKind::element("html"));
  const NodeId body = doc.insert(NodeKind::element("body"));
  const NodeId text = doc.insert(NodeKind::text("hi"));
  ASSERT_TRUE(doc.append_child(doc.root(), html).ok());
  ASSERT_TRUE(doc.append_child(html, body).ok());
  ASSERT_TRUE(doc.append_child(body, text).ok());

  struct Case {
    NodeId parent;
    NodeId child;
    DomError expected;
  };
  const Case cases[] = {
      {NodeId{other.id, 0}, html, DomError::NoSuchNode},
      {body, NodeId{doc.id, doc.nodes.size()}, DomError::NoSuchNode},
      {body, NodeId{other.id, 1}, DomError::NoSuchNode},
      {text, doc.root(), DomError::RootAsChild},
      {body, doc.root(), DomError::RootAsChild},
      {text, html, DomError::TextParent},
      {html, html, DomError::Cycle},
      {body, html, DomError::Cycle},
  };
  for (const Case& c : cases) {
    auto result = doc.append_child(c.parent, c.child);
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error(), c.expected);
  }
  EXPECT_EQ(child_indices(doc, doc.root()), (std::vector<std::size_t>{1}));
  EXPECT_EQ(child_indices(doc, html), (std::vector<std::size_t>{2}));
  EXPECT_EQ(doc.node(body).parent, html);
}

TEST(DocumentTest, ReattachingMovesToTheEnd) {
  Document doc;
  const NodeId p = doc.insert(NodeKind::element("p"));
  const NodeId q = doc.insert(NodeKind::element("q"));
  const NodeId a = doc.insert(NodeKind::element("a"));
  const NodeId b = doc.insert(NodeKind::element("b"));
  const NodeId c = doc.insert(NodeKind::element("c"));
  for (NodeId n : {a, b, c}) ASSERT_TRUE(doc.append_child(p, n).ok());
  ASSERT_TRUE(doc.append_child(p, a).ok());
  EXPECT_EQ(child_indices(doc, p), (std::vector<std::size_t>{b.index, c.index, a.index}));
  ASSERT_TRUE(doc.append_child(q, c).ok());
  EXPECT_EQ(child_indices(doc, p), (std::vector<std::size_t>{b.index, a.index}));
  EXPECT_EQ(child_indices(doc, q), (std::vector<std::size_t>{c.index}));
  EXPECT_EQ(doc.node(c).parent, q);
}

TEST(DocumentTest, AttributesAreLowercasedAndReplaced) {
  Document doc;
  const NodeId a = doc.insert(NodeKind::element("a"));
  const NodeId text = doc.insert(NodeKind::text("t"));
  ASSERT_TRUE(doc.set_attribute(a, "HREF", "one").ok());
  ASSERT_TRUE(doc.set_attribute(a, "href", "two").ok());
  ASSERT_TRUE(doc.set_attribute(a, "title", "").ok());
  EXPECT_EQ(doc.node(a).attributes.size(), 2u);
  EXPECT_EQ(doc.node(a).attribute("HrEf"), "two");
  EXPECT_EQ(doc.node(a).attribute("title"), "");
  EXPECT_FALSE(doc.node(a).attribute("id").has_value());
  EXPECT_EQ(doc.set_attribute(text, "x", "y").error(), DomError::NotElement);
  EXPECT_EQ(doc.set_attribute(doc.root(), "x", "y").error(), DomError::NotElement);
  EXPECT_EQ(doc.set_attribute(NodeId{doc.id, 99}, "x", "y").error(), DomError::NoSuchNode);
  EXPECT_FALSE(doc.node(text).attribute("x").has_value());
}

}  // namespace
}  // namespace kivo_dom
