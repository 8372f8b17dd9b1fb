#include "hostsim/core/cl_binding.h"

#include <algorithm>

namespace hostsim {
namespace {

bool Contains(const std::vector<std::string>& list, const std::string& keyword) {
  return std::find(list.begin(), list.end(), keyword) != list.end();
}

BindResult Error(HostMessage message) { return BindResult{std::nullopt, {std::move(message)}}; }

}  // namespace

const std::vector<ClValue>& BoundParameters::Elements(const std::string& keyword) const {
  static const std::vector<ClValue> none;
  const auto found = values_.find(keyword);
  return found == values_.end() ? none : found->second;
}

std::string BoundParameters::Single(const std::string& keyword, const std::string& fallback) const {
  const std::vector<ClValue>& elements = Elements(keyword);
  return elements.empty() ? fallback : elements[0].text;
}

BindResult BindParameters(const ClCommand& command, const CommandParameters& definition) {
  BoundParameters bound;
  std::size_t nextPositional = 0;
  for (const ClParameter& parameter : command.parameters) {
    std::string keyword = parameter.keyword;
    if (keyword.empty()) {
      if (nextPositional >= definition.positional.size()) return Error(msg::TooManyPositional(command.name));
      keyword = definition.positional[nextPositional++];
    } else if (!Contains(definition.positional, keyword) && !Contains(definition.optional, keyword)) {
      return Error(msg::KeywordNotValid(keyword));
    }
    if (bound.Has(keyword)) return Error(msg::KeywordTwice(keyword));
    if (parameter.elements.empty()) return Error(msg::ValueRequired(keyword));
    bound.Set(keyword, parameter.elements);
  }
  for (const std::string& keyword : definition.required) {
    if (!bound.Has(keyword)) return Error(msg::ValueRequired(keyword));
  }
  return BindResult{std::move(bound), {}};
}

}  // namespace hostsim
