#include "generate/run_field_values.h"

#include "text/text_utils.h"

namespace pindle {

RunFieldValues MatchRunFieldValues(const Text& pluginName, const std::vector<PluginField>& fields,
                                   const std::vector<std::pair<Text, Text>>& given) {
  RunFieldValues run;
  for (const auto& [key, value] : given) {
    const PluginField* field = nullptr;
    for (const PluginField& f : fields)
      if (EqualsIgnoreAsciiCase(f.name, key)) field = &f;
    if (field == nullptr) {
      std::vector<Text> names;
      for (const PluginField& f : fields) names.push_back(f.name);
      run.problem = "插件“" + pluginName + "”没有字段“" + key + "”；" +
                    (names.empty() ? Text("它没有可设的字段") : "它的字段：" + Join(names, "、"));
      return run;
    }
    if (const Text problem = FieldValueProblem(value); !problem.empty()) {
      run.problem = "字段“" + field->name + "”的值不能用：" + problem;
      return run;
    }
    run.values[field->name] = value;
  }
  return run;
}

ShortenInputs WithRunFieldValues(ShortenInputs inputs, const std::vector<PluginField>& fields,
                                 const std::map<Text, Text>& values) {
  for (const auto& [name, value] : values) {
    inputs.fieldValues[name] = value;
    inputs.fieldProblems.erase(name);
    inputs.secretOrigins.erase(name);
    for (const PluginField& f : fields)
      if (f.name == name && f.secret && !value.empty()) inputs.secrets.push_back(value);
  }
  return inputs;
}

}  // namespace pindle
