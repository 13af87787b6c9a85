#include "style/selectors.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "style/test_tree.h"

namespace kivo_style {
namespace {

using kivo_dom::NodeId;
using testing::TreeBuilder;

TEST(SelectorIdent, ReadsLongestRunAndLeavesPositionOnMiss) {
  std::size_t position = 1;
  EXPECT_EQ(selectors::ident("#-9a_b.c", position), "-9a_b");
  EXPECT_EQ(position, 6u);
  position = 0;
  EXPECT_EQ(selectors::ident(".x", position), std::nullopt);
  EXPECT_EQ(position, 0u);
  position = 2;
  EXPECT_EQ(selectors::ident("ab", position), std::nullopt);
  EXPECT_EQ(position, 2u);
}

TEST(SelectorParse, AcceptedFormsKeepTheirParts) {
  const auto selector = Selector::parse("UL li.Item > a[HREF]:first-child");
  ASSERT_TRUE(selector.has_value());
  ASSERT_EQ(selector->compounds.size(), 3u);
  EXPECT_EQ(selector->combinators, (std::vector{Combinator::Descendant, Combinator::Child}));
  EXPECT_EQ(selector->compounds[0].tag, "ul");
  EXPECT_EQ(selector->compounds[1].classes, std::vector<std::string>{"Item"});
  EXPECT_EQ(selector->compounds[2].attributes, (std::vector{AttributeSelector{"href", std::nullopt}}));
  EXPECT_EQ(selector->compounds[2].pseudo_classes, std::vector{PseudoClass::FirstChild});
  EXPECT_EQ(selector->specificity(), (Specificity{0, 3, 3}));

  const auto attribute = Selector::parse("input[ Type = 'te\"xt' ][data-x=\"\"][lang=En]");
  ASSERT_TRUE(attribute.has_value());
  EXPECT_EQ(attribute->compounds[0].attributes,
            (std::vector{AttributeSelector{"type", "te\"xt"}, AttributeSelector{"data-x", ""},
                         AttributeSelector{"lang", "En"}}));

  const auto ids = Selector::parse("#a#b");
  ASSERT_TRUE(ids.has_value());
  EXPECT_EQ(ids->compounds[0].tag, std::nullopt);
  EXPECT_EQ(ids->compounds[0].ids, (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(ids->specificity(), (Specificity{2, 0, 0}));
  EXPECT_EQ(Selector::parse("*")->specificity(), (Specificity{0, 0, 0}));
}

TEST(SelectorParse, CombinatorSpellingsAgree) {
  const auto child = Selector::parse("a>b");
  ASSERT_TRUE(child.has_value());
  EXPECT_EQ(child->combinators, std::vector{Combinator::Child});
  for (const char* text : {"a >b", "a> b", "a \t>\n b", "a>b "}) {
    EXPECT_EQ(Selector::parse(text), child) << text;
  }
  const auto descendant = Selector::parse("a  b");
  ASSERT_TRUE(descendant.has_value());
  EXPECT_EQ(descendant->combinators, std::vector{Combinator::Descendant});
  EXPECT_EQ(Selector::parse("a\fb"), descendant);
}

TEST(SelectorParse, RefusesTextsOutsideTheSubset) {
  for (const char* text : {"",
                           " a",
                           "a >",
                           "a > ",
                           "> a",
                           "a + b",
                           "a ~ b",
                           "a,b",
                           "a::before",
                           ":not(p)",
                           "p:hover",
                           "p:ROOT",
                           "p:nth-child(1)",
                           "**",
                           "a*",
                           "a\vb",
                           "\xC3\xA9t\xC3\xA9",
                           "a[href",
                           "a[=x]",
                           "a[x=]",
                           "a[x='y]",
                           "a[x='a\\b']",
                           "a[x=y z]",
                           "a#",
                           "a.",
                           ".1.",
                           "a b > ",
                           "(a)",
                           "a[x y]"}) {
    EXPECT_EQ(Selector::parse(text), std::nullopt) << text;
  }
}

TEST(SelectorParse, LengthAndCompoundLimits) {
  std::string at_limit = "a[x='" + std::string(256 - 7, 'y') + "']";
  ASSERT_EQ(at_limit.size(), 256u);
  EXPECT_TRUE(Selector::parse(at_limit).has_value());
  EXPECT_FALSE(Selector::parse("a[x='" + std::string(256 - 6, 'y') + "']").has_value());

  std::string sixteen = "a";
  for (int i = 1; i < 16; ++i) sixteen += " a";
  const auto parsed = Selector::parse(sixteen);
  ASSERT_TRUE(parsed.has_value());
  EXPECT_EQ(parsed->compounds.size(), 16u);
  EXPECT_EQ(parsed->combinators.size(), 15u);
  EXPECT_FALSE(Selector::parse(sixteen + ">a").has_value());
}

// <html><body id=main class="y x"><p lang=en class=" x\t"> </p>text<div><p/>
// <span/></div><!-- text --></body></html>
class SelectorMatch : public ::testing::Test {
 protected:
  void SetUp() override {
    html = tree.element(tree.root(), "html");
    body = tree.element(html, "body", {{"id", "main"}, {"class", "y x"}});
    p = tree.element(body, "p", {{"lang", "en"}, {"class", " x\t"}, {"data-v", "A b"}});
    tree.text(p, " ");
    tree.text(body, "text");
    div = tree.element(body, "div", {{"class", "xx X"}});
    inner = tree.element(div, "p");
    span = tree.element(div, "span");
    tree.text(body, "tail");
  }

  bool matches(const char* text, NodeId node) {
    const auto selector = Selector::parse(text);
    KIVO_CHECK(selector.has_value());
    std::size_t steps = 0;
    auto result = selector->at(tree.document, node, selector->compounds.size() - 1, steps);
    KIVO_CHECK(result.ok());
    return *result;
  }

 public:
  TreeBuilder tree;
  NodeId html, body, p, div, inner, span;
};

TEST_F(SelectorMatch, Table) {
  struct Case {
    const char* selector;
    NodeId SelectorMatch::*node;
    bool expected;
  };
  const std::vector<Case> cases = {
      {"p", &SelectorMatch::p, true},
      {"P", &SelectorMatch::p, true},
      {"*", &SelectorMatch::p, true},
      {"div", &SelectorMatch::p, false},
      {"#main", &SelectorMatch::body, true},
      {"#Main", &SelectorMatch::body, false},
      {"#main#main", &SelectorMatch::body, true},
      {"#main#other", &SelectorMatch::body, false},
      {".x", &SelectorMatch::body, true},
      {".x.y", &SelectorMatch::body, true},
      {".x", &SelectorMatch::p, true},
      {".x", &SelectorMatch::div, false},
      {".X", &SelectorMatch::div, true},
      {".x", &SelectorMatch::inner, false},
      {"[lang]", &SelectorMatch::p, true},
      {"[lang]", &SelectorMatch::inner, false},
      {"[lang=en]", &SelectorMatch::p, true},
      {"[LANG=en]", &SelectorMatch::p, true},
      {"[lang=EN]", &SelectorMatch::p, false},
      {"[data-v='A b']", &SelectorMatch::p, true},
      {"[data-v='a b']", &SelectorMatch::p, false},
      {":root", &SelectorMatch::html, true},
      {":root", &SelectorMatch::body, false},
      {"p:first-child", &SelectorMatch::p, true},
      {"div:first-child", &SelectorMatch::div, false},
      {"div:last-child", &SelectorMatch::div, true},
      {"p:last-child", &SelectorMatch::p, false},
      {"span:last-child", &SelectorMatch::span, true},
      {"p:first-child:last-child", &SelectorMatch::p, false},
      {":empty", &SelectorMatch::span, true},
      {":empty", &SelectorMatch::p, false},
      {":empty", &SelectorMatch::div, false},
      {"html > body", &SelectorMatch::body, true},
      {"html > p", &SelectorMatch::p, false},
      {"html p", &SelectorMatch::p, true},
      {"html p", &SelectorMatch::inner, true},
      {"body > p", &SelectorMatch::inner, false},
      {"div > p", &SelectorMatch::inner, true},
      {"html > body p", &SelectorMatch::inner, true},
      {"html > div p", &SelectorMatch::inner, false},
      {"body > div p", &SelectorMatch::inner, true},
      {"html div > p:first-child", &SelectorMatch::inner, true},
      {".x .x p", &SelectorMatch::inner, false},
      {".x div p", &SelectorMatch::inner, true},
      {":root > body > div > span:empty", &SelectorMatch::span, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(matches(c.selector, this->*c.node), c.expected) << c.selector;
  }
}

// Once the subject has matched, left_of finishes what at() does: the same
// outcome, and the same steps less the subject's one.
TEST_F(SelectorMatch, LeftOfFinishesAtAfterTheSubject) {
  struct Case {
    const char* selector;
    NodeId SelectorMatch::*node;
  };
  const std::vector<Case> cases = {
      {"p", &SelectorMatch::inner},          {"div p", &SelectorMatch::inner},
      {"section p", &SelectorMatch::inner},  {"html > p", &SelectorMatch::inner},
      {"html div p", &SelectorMatch::inner}, {".x .x p", &SelectorMatch::inner},
      {".x div p", &SelectorMatch::inner},   {"html > body > p", &SelectorMatch::p},
      {"body > .x", &SelectorMatch::p},      {"div > .x", &SelectorMatch::p},
  };
  for (const Case& c : cases) {
    const auto selector = Selector::parse(c.selector);
    const std::size_t subject = selector->compounds.size() - 1;
    std::size_t at_steps = 0;
    const auto at = selector->at(tree.document, this->*c.node, subject, at_steps);
    std::size_t left_steps = 0;
    const auto left = selector->left_of(tree.document, this->*c.node, subject, left_steps);
    ASSERT_TRUE(at.ok() && left.ok()) << c.selector;
    EXPECT_EQ(*left, *at) << c.selector;
    EXPECT_EQ(left_steps + 1, at_steps) << c.selector;
  }
}

TEST_F(SelectorMatch, NodesOutsideTheDocumentAndNonElementsNeverMatch) {
  const auto selector = Selector::parse("*");
  std::size_t steps = 0;
  EXPECT_FALSE(*selector->at(tree.document, tree.root(), 0, steps));
  EXPECT_FALSE(*selector->at(tree.document, NodeId{tree.document.id + 1, 1}, 0, steps));
  EXPECT_FALSE(*selector->at(tree.document, NodeId{tree.document.id, 999}, 0, steps));
  EXPECT_FALSE(*selector->at(tree.document, NodeId{tree.document.id, 4}, 0, steps));  // text " "
  EXPECT_EQ(steps, 4u);
}

TEST_F(SelectorMatch, CountsOneStepPerCallAncestorAndChild) {
  struct Case {
    const char* selector;
    NodeId SelectorMatch::*node;
    std::size_t steps;
  };
  const std::vector<Case> cases = {
      {"p", &SelectorMatch::inner, 1},
      {"div", &SelectorMatch::inner, 1},
      {"div p", &SelectorMatch::inner, 2},
      // The subject, then div, body, html and the document node.
      {"section p", &SelectorMatch::inner, 5},
      {"html > p", &SelectorMatch::inner, 2},
      // Each match of "div" retries "html" above it: p, div, body, html.
      {"html div p", &SelectorMatch::inner, 4},
      // p, then ".x" at div (miss), body (hit) whose own walk tries html and the
      // document node, then html and the document node for the outer walk.
      {".x .x p", &SelectorMatch::inner, 7},
      // One step for the call and one per child examined: body has four children
      // and the first of them is an element.
      {"p:first-child", &SelectorMatch::p, 2},
      {"p:last-child", &SelectorMatch::p, 5},
      {"p:empty", &SelectorMatch::p, 2},
      {"span:empty", &SelectorMatch::span, 1},
  };
  for (const Case& c : cases) {
    const auto selector = Selector::parse(c.selector);
    std::size_t steps = 0;
    ASSERT_TRUE(selector->at(tree.document, this->*c.node, selector->compounds.size() - 1, steps).ok());
    EXPECT_EQ(steps, c.steps) << c.selector;
  }
}

TEST_F(SelectorMatch, BudgetFailsAtTheStepPastTheLimit) {
  const auto plain = Selector::parse("p");
  std::size_t steps = selectors::kMatchingBudget - 1;
  EXPECT_TRUE(*plain->at(tree.document, p, 0, steps));
  EXPECT_EQ(steps, selectors::kMatchingBudget);
  auto over = plain->at(tree.document, p, 0, steps);
  ASSERT_FALSE(over.ok());
  EXPECT_EQ(over.error().message, "CSS matching budget exceeded");

  // The last-child walk fails at the child that passes the budget.
  const auto last = Selector::parse("p:last-child");
  steps = selectors::kMatchingBudget - 5;
  EXPECT_FALSE(*last->at(tree.document, p, 0, steps));
  EXPECT_EQ(steps, selectors::kMatchingBudget);
  steps = selectors::kMatchingBudget - 4;
  EXPECT_FALSE(last->at(tree.document, p, 0, steps).ok());
  EXPECT_EQ(steps, selectors::kMatchingBudget + 1);
}

TEST(SelectorMatchDeep, LongDescendantChainsOverDeepTreesRunIntoTheBudget) {
  TreeBuilder tree;
  NodeId node = tree.root();
  for (int i = 0; i < 128; ++i) node = tree.element(node, "a");
  std::string text = "b";
  for (int i = 1; i < 16; ++i) text += " a";
  const auto selector = Selector::parse(text);
  std::size_t steps = 0;
  auto result = selector->at(tree.document, node, 15, steps);
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.error().message, "CSS matching budget exceeded");
  EXPECT_EQ(steps, selectors::kMatchingBudget + 1);

  // A chain that can succeed does so after the first matching ancestors.
  const auto deep = Selector::parse(text.substr(2));
  steps = 0;
  EXPECT_TRUE(*deep->at(tree.document, node, 14, steps));
  EXPECT_EQ(steps, 15u);
}

}  // namespace
}  // namespace kivo_style
