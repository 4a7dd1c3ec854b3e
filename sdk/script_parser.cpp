#include "script_parser.h"

#include <utility>

namespace {

constexpr int kMaxDepth = 200;

bool IsReserved(const std::wstring& w) {
  static const wchar_t* const words[] = {L"if", L"then", L"else", L"do", L"for", L"in", L"to",
                                         L"by", L"and", L"or", L"not", L"as", L"with"};
  for (const wchar_t* r : words)
    if (w == r) return true;
  return false;
}

class Parser {
 public:
  explicit Parser(std::vector<Token> toks) : t_(std::move(toks)) {}

  AstPtr Program() {
    AstPtr block = Make(AstKind::Block, 1);
    for (;;) {
      SkipSeparators();
      if (Peek().kind == TokKind::End) break;
      block->kids.push_back(Expr());
      const Token& next = Peek();
      if (next.kind != TokKind::Newline && next.kind != TokKind::End) Unexpected(next);
    }
    return block;
  }

 private:
  const Token& Peek(int ahead = 0) const {
    const size_t i = pos_ + static_cast<size_t>(ahead);
    return i < t_.size() ? t_[i] : t_.back();
  }
  const Token& Take() {
    const Token& tok = t_[pos_];
    if (pos_ + 1 < t_.size()) ++pos_;
    return tok;
  }
  bool IsPunct(const Token& tok, const wchar_t* p) const { return tok.kind == TokKind::Punct && tok.text == p; }
  bool IsWord(const Token& tok, const wchar_t* w) const { return tok.kind == TokKind::Name && tok.lower == w; }
  void SkipNewlines() {
    while (Peek().kind == TokKind::Newline) Take();
  }
  void SkipSeparators() { SkipNewlines(); }

  [[noreturn]] void Unexpected(const Token& tok) {
    std::wstring what;
    switch (tok.kind) {
      case TokKind::End: what = L"end of script"; break;
      case TokKind::Newline: what = L"end of line"; break;
      case TokKind::String: what = L"\"" + tok.text + L"\""; break;
      case TokKind::Dollar: what = L"'$" + tok.text + L"'"; break;
      default: what = L"'" + tok.text + (tok.kind == TokKind::Time ? tok.lower : L"") + L"'"; break;
    }
    throw ScriptSyntaxError{tok.line, L"unexpected " + what};
  }
  void ExpectPunct(const wchar_t* p) {
    if (!IsPunct(Peek(), p)) {
      const Token& tok = Peek();
      std::wstring got = tok.kind == TokKind::End ? L"end of script"
                         : tok.kind == TokKind::Newline ? L"end of line"
                                                        : L"'" + tok.text + L"'";
      throw ScriptSyntaxError{tok.line, std::wstring(L"expected '") + p + L"' but found " + got};
    }
    Take();
  }
  void ExpectWord(const wchar_t* w) {
    if (!IsWord(Peek(), w)) {
      const Token& tok = Peek();
      std::wstring got = tok.kind == TokKind::End ? L"end of script"
                         : tok.kind == TokKind::Newline ? L"end of line"
                                                        : L"'" + tok.text + L"'";
      throw ScriptSyntaxError{tok.line, std::wstring(L"expected '") + w + L"' but found " + got};
    }
    Take();
  }

  static AstPtr Make(AstKind k, int line) {
    auto n = std::make_unique<AstNode>();
    n->kind = k;
    n->line = line;
    return n;
  }

  struct DepthGuard {
    explicit DepthGuard(Parser& p) : p_(p) {
      if (++p_.depth_ > kMaxDepth) throw ScriptSyntaxError{p_.Peek().line, L"expression nested too deeply"};
    }
    ~DepthGuard() { --p_.depth_; }
    Parser& p_;
  };

  AstPtr Expr() {
    DepthGuard guard(*this);
    const Token& tok = Peek();
    if (IsWord(tok, L"if")) return If();
    if (IsWord(tok, L"for")) return For();
    if (IsWord(tok, L"with")) {
      Take();
      return ContextClause(true);
    }
    if ((IsWord(tok, L"animate") || IsWord(tok, L"redraw")) && IsSwitchWord(Peek(1))) return ContextClause(false);
    if (IsWord(tok, L"in") && IsWord(Peek(1), L"coordsys")) return ContextClause(false);
    if (IsWord(tok, L"at") && IsWord(Peek(1), L"time")) return ContextClause(false);
    return Assignment();
  }

  bool IsSwitchWord(const Token& tok) const {
    return IsWord(tok, L"on") || IsWord(tok, L"off") || IsWord(tok, L"true") || IsWord(tok, L"false");
  }

  // One context ("animate on", "redraw off", "in coordsys local", "at time t"),
  // further ones after a comma, then the body they apply to.
  AstPtr ContextClause(bool afterWith) {
    const Token& head = Take();
    AstPtr ctx = Make(AstKind::Context, head.line);
    if (head.kind == TokKind::Name && (head.lower == L"animate" || head.lower == L"redraw")) {
      ctx->name = head.lower;
      ctx->kids.push_back(Postfix());
    } else if (!afterWith && head.kind == TokKind::Name && head.lower == L"in") {
      ExpectWord(L"coordsys");
      const Token& sys = Peek();
      if (sys.kind != TokKind::Name) Unexpected(sys);
      Take();
      ctx->name = L"coordsys";
      AstPtr v = Make(AstKind::Literal, sys.line);
      v->litType = LitType::String;
      v->name = sys.lower;
      ctx->kids.push_back(std::move(v));
    } else if (!afterWith && head.kind == TokKind::Name && head.lower == L"at") {
      ExpectWord(L"time");
      ctx->name = L"time";
      ctx->kids.push_back(Postfix());
    } else {
      Unexpected(head);
    }
    if (afterWith && IsPunct(Peek(), L",")) {
      Take();
      SkipNewlines();
      ctx->kids.push_back(ContextClause(true));
      return ctx;
    }
    SkipNewlines();
    ctx->kids.push_back(Expr());
    return ctx;
  }

  AstPtr If() {
    const int line = Take().line;
    AstPtr node = Make(AstKind::If, line);
    node->kids.push_back(Expr());
    SkipNewlines();
    const bool isThen = IsWord(Peek(), L"then");
    if (!isThen && !IsWord(Peek(), L"do")) ExpectWord(L"then");
    Take();
    SkipNewlines();
    node->kids.push_back(Expr());
    if (isThen) {
      const size_t save = pos_;
      SkipNewlines();
      if (IsWord(Peek(), L"else")) {
        Take();
        SkipNewlines();
        node->kids.push_back(Expr());
      } else {
        pos_ = save;
      }
    }
    return node;
  }

  AstPtr For() {
    const int line = Take().line;
    const Token& var = Peek();
    if (var.kind != TokKind::Name || IsReserved(var.lower)) Unexpected(var);
    Take();
    AstPtr node;
    if (IsWord(Peek(), L"in")) {
      Take();
      node = Make(AstKind::ForIn, line);
      node->name = var.lower;
      node->kids.push_back(Expr());
    } else if (IsPunct(Peek(), L"=")) {
      Take();
      node = Make(AstKind::ForRange, line);
      node->name = var.lower;
      node->kids.push_back(Expr());
      ExpectWord(L"to");
      node->kids.push_back(Expr());
      if (IsWord(Peek(), L"by")) {
        Take();
        node->kids.push_back(Expr());
      } else {
        node->kids.push_back(nullptr);
      }
    } else {
      ExpectWord(L"in");
    }
    SkipNewlines();
    ExpectWord(L"do");
    SkipNewlines();
    node->kids.push_back(Expr());
    return node;
  }

  AstPtr Assignment() {
    AstPtr lhs = Or();
    const Token& tok = Peek();
    if (tok.kind == TokKind::Punct &&
        (tok.text == L"=" || tok.text == L"+=" || tok.text == L"-=" || tok.text == L"*=" || tok.text == L"/=")) {
      if (lhs->kind != AstKind::Var && lhs->kind != AstKind::Property && lhs->kind != AstKind::Index)
        throw ScriptSyntaxError{tok.line, L"cannot assign to this expression"};
      AstPtr node = Make(AstKind::Assign, lhs->line);
      node->op = Take().text;
      SkipNewlines();
      node->kids.push_back(std::move(lhs));
      node->kids.push_back(Expr());
      return node;
    }
    return lhs;
  }

  AstPtr Or() {
    AstPtr left = And();
    while (IsWord(Peek(), L"or")) {
      AstPtr node = Make(AstKind::Or, Take().line);
      SkipNewlines();
      node->kids.push_back(std::move(left));
      node->kids.push_back(And());
      left = std::move(node);
    }
    return left;
  }

  AstPtr And() {
    AstPtr left = Not();
    while (IsWord(Peek(), L"and")) {
      AstPtr node = Make(AstKind::And, Take().line);
      SkipNewlines();
      node->kids.push_back(std::move(left));
      node->kids.push_back(Not());
      left = std::move(node);
    }
    return left;
  }

  AstPtr Not() {
    if (IsWord(Peek(), L"not")) {
      DepthGuard guard(*this);
      AstPtr node = Make(AstKind::Not, Take().line);
      node->kids.push_back(Not());
      return node;
    }
    return Compare();
  }

  AstPtr Compare() {
    AstPtr left = Sum();
    const Token& tok = Peek();
    if (tok.kind == TokKind::Punct && (tok.text == L"==" || tok.text == L"!=" || tok.text == L"<" ||
                                       tok.text == L">" || tok.text == L"<=" || tok.text == L">=")) {
      AstPtr node = Make(AstKind::Binary, tok.line);
      node->op = Take().text;
      SkipNewlines();
      node->kids.push_back(std::move(left));
      node->kids.push_back(Sum());
      return node;
    }
    return left;
  }

  AstPtr Sum() {
    AstPtr left = Product();
    while (IsPunct(Peek(), L"+") || IsPunct(Peek(), L"-")) {
      AstPtr node = Make(AstKind::Binary, Peek().line);
      node->op = Take().text;
      SkipNewlines();
      node->kids.push_back(std::move(left));
      node->kids.push_back(Product());
      left = std::move(node);
    }
    return left;
  }

  AstPtr Product() {
    AstPtr left = Unary();
    while (IsPunct(Peek(), L"*") || IsPunct(Peek(), L"/")) {
      AstPtr node = Make(AstKind::Binary, Peek().line);
      node->op = Take().text;
      SkipNewlines();
      node->kids.push_back(std::move(left));
      node->kids.push_back(Unary());
      left = std::move(node);
    }
    return left;
  }

  AstPtr Unary() {
    if (IsPunct(Peek(), L"-")) {
      DepthGuard guard(*this);
      AstPtr node = Make(AstKind::Negate, Take().line);
      node->kids.push_back(Unary());
      return node;
    }
    return AsCast();
  }

  AstPtr AsCast() {
    AstPtr e = Call();
    while (IsWord(Peek(), L"as")) {
      AstPtr node = Make(AstKind::As, Take().line);
      const Token& cls = Peek();
      if (cls.kind != TokKind::Name) Unexpected(cls);
      node->name = Take().lower;
      node->kids.push_back(std::move(e));
      e = std::move(node);
    }
    return e;
  }

  bool StartsOperand(const Token& tok) const {
    switch (tok.kind) {
      case TokKind::Int:
      case TokKind::Float:
      case TokKind::Time:
      case TokKind::String:
      case TokKind::Dollar:
        return true;
      case TokKind::Name:
        return !IsReserved(tok.lower);
      case TokKind::Punct:
        return tok.text == L"(" || tok.text == L"[" || tok.text == L"#(";
      default:
        return false;
    }
  }

  // A function call is an operand followed, on the same line, by argument
  // operands and name:value pairs, or by an empty "()".
  AstPtr Call() {
    AstPtr callee = Postfix();
    AstPtr call;
    auto ensure = [&]() {
      if (!call) {
        call = Make(AstKind::Call, callee->line);
        call->kids.push_back(std::move(callee));
      }
    };
    for (;;) {
      const Token& tok = Peek();
      if (IsPunct(tok, L"(") && IsPunct(Peek(1), L")") && !call) {
        Take();
        Take();
        ensure();
        break;
      }
      if (!StartsOperand(tok)) break;
      ensure();
      if (tok.kind == TokKind::Name && IsPunct(Peek(1), L":")) {
        call->keyNames.push_back(Take().lower);
        Take();
        call->keyArgs.push_back(Postfix());
      } else {
        call->kids.push_back(Postfix());
      }
    }
    return call ? std::move(call) : std::move(callee);
  }

  AstPtr Postfix() {
    AstPtr e = Primary();
    for (;;) {
      const Token& tok = Peek();
      if (IsPunct(tok, L".")) {
        Take();
        const Token& name = Peek();
        if (name.kind != TokKind::Name) Unexpected(name);
        AstPtr node = Make(AstKind::Property, name.line);
        node->name = Take().lower;
        node->kids.push_back(std::move(e));
        e = std::move(node);
      } else if (IsPunct(tok, L"[") && !tok.spaceBefore) {
        AstPtr node = Make(AstKind::Index, Take().line);
        SkipNewlines();
        node->kids.push_back(std::move(e));
        node->kids.push_back(Expr());
        SkipNewlines();
        ExpectPunct(L"]");
        e = std::move(node);
      } else {
        return e;
      }
    }
  }

  AstPtr Primary() {
    DepthGuard guard(*this);
    const Token& tok = Peek();
    switch (tok.kind) {
      case TokKind::Int: {
        AstPtr n = Make(AstKind::Literal, tok.line);
        n->litType = LitType::Int;
        n->integer = tok.integer;
        Take();
        return n;
      }
      case TokKind::Float: {
        AstPtr n = Make(AstKind::Literal, tok.line);
        n->litType = LitType::Float;
        n->num = tok.number;
        Take();
        return n;
      }
      case TokKind::Time: {
        AstPtr n = Make(AstKind::Literal, tok.line);
        n->litType = LitType::Time;
        n->num = tok.number;
        n->ticks = tok.lower == L"t";
        Take();
        return n;
      }
      case TokKind::String: {
        AstPtr n = Make(AstKind::Literal, tok.line);
        n->litType = LitType::String;
        n->name = tok.text;
        Take();
        return n;
      }
      case TokKind::Dollar: {
        AstPtr n = Make(AstKind::Selection, tok.line);
        n->name = tok.text;
        Take();
        return n;
      }
      case TokKind::Name: {
        if (IsReserved(tok.lower)) Unexpected(tok);
        AstPtr n = Make(AstKind::Literal, tok.line);
        if (tok.lower == L"true" || tok.lower == L"on") {
          n->litType = LitType::Bool;
          n->flag = true;
        } else if (tok.lower == L"false" || tok.lower == L"off") {
          n->litType = LitType::Bool;
        } else if (tok.lower == L"undefined") {
          n->litType = LitType::Undefined;
        } else {
          n->kind = AstKind::Var;
          n->name = tok.lower;
        }
        Take();
        return n;
      }
      case TokKind::Punct:
        if (tok.text == L"(") return Block();
        if (tok.text == L"#(") return List(AstKind::ArrayLit, L")");
        if (tok.text == L"[") {
          AstPtr p = List(AstKind::Point3Lit, L"]");
          if (p->kids.size() != 3) throw ScriptSyntaxError{p->line, L"a point needs three values: [x,y,z]"};
          return p;
        }
        break;
      default:
        break;
    }
    Unexpected(tok);
  }

  AstPtr List(AstKind kind, const wchar_t* close) {
    AstPtr node = Make(kind, Take().line);
    SkipNewlines();
    if (IsPunct(Peek(), close)) {
      Take();
      return node;
    }
    for (;;) {
      node->kids.push_back(Expr());
      SkipNewlines();
      if (IsPunct(Peek(), L",")) {
        Take();
        SkipNewlines();
        continue;
      }
      ExpectPunct(close);
      return node;
    }
  }

  AstPtr Block() {
    AstPtr node = Make(AstKind::Block, Take().line);
    for (;;) {
      SkipSeparators();
      if (IsPunct(Peek(), L")")) {
        Take();
        return node;
      }
      if (Peek().kind == TokKind::End) throw ScriptSyntaxError{Peek().line, L"missing ')'"};
      node->kids.push_back(Expr());
      const Token& next = Peek();
      if (next.kind != TokKind::Newline && !IsPunct(next, L")")) {
        if (next.kind == TokKind::End) throw ScriptSyntaxError{next.line, L"missing ')'"};
        Unexpected(next);
      }
    }
  }

  std::vector<Token> t_;
  size_t pos_ = 0;
  int depth_ = 0;
};

}  // namespace

AstPtr ParseScript(const std::wstring& text) { return Parser(TokenizeScript(text)).Program(); }
