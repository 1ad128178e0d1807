// What the readers of the engine's JSON files share: a reader of one
// object's fields that names the place of every field of the wrong type, the
// top-level object of a text, and the reading of a whole file. Internal to
// enginelink.
#pragma once

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include <cmath>
#include <optional>

#include "enginelink/resultjson.h"

namespace jsonread {


// Reads the fields of one JSON object, collecting an error naming the place
// for every field of the wrong type. Absent fields keep their defaults.
class Fields {
 public:
  Fields(const QJsonObject& object, QString place, QStringList& errors)
      : object_(object), place_(std::move(place)), errors_(errors) {}
  // The fields of element `index` of the list `key` of `parent`; its place
  // is spelled out only when an error names it (lists of 100,000 elements).
  Fields(const QJsonObject& object, const Fields& parent, const char* key, qsizetype index)
      : object_(object), errors_(parent.errors_), parent_(&parent), parentKey_(key), index_(index) {}

  void text(const char* key, QString& out, bool required = false) const {
    const QJsonValue v = object_.value(QLatin1String(key));
    if (v.isUndefined()) {
      if (required) fail(key, "is missing");
      return;
    }
    if (!v.isString()) return fail(key, "is not a string");
    out = v.toString();
  }

  // A string or null (left empty).
  void textOrNull(const char* key, QString& out) const {
    if (object_.value(QLatin1String(key)).isNull()) return;
    text(key, out);
  }

  // Calls `each(fields)` with the fields of the object field `key`; false
  // when there is none (or it is no object, an error).
  template <class Each>
  bool object(const char* key, Each each) const {
    const QJsonValue v = object_.value(QLatin1String(key));
    if (v.isUndefined()) return false;
    if (!v.isObject()) {
      fail(key, "is not an object");
      return false;
    }
    const QJsonObject o = v.toObject();
    each(Fields(o, at(key), errors_));
    return true;
  }

  void number(const char* key, double& out) const {
    const QJsonValue v = object_.value(QLatin1String(key));
    if (v.isUndefined()) return;
    if (!v.isDouble() || !std::isfinite(v.toDouble())) return fail(key, "is not a number");
    out = v.toDouble();
  }

  void integer(const char* key, int& out) const {
    double d = out;
    number(key, d);
    if (d != std::floor(d) || std::fabs(d) > 1e9) return fail(key, "is not a whole number");
    out = static_cast<int>(d);
  }

  void optionalInteger(const char* key, std::optional<qint64>& out) const {
    const QJsonValue v = object_.value(QLatin1String(key));
    if (v.isUndefined() || v.isNull()) return;
    const double d = v.toDouble(std::nan(""));
    if (!v.isDouble() || d != std::floor(d) || std::fabs(d) > 9.0e15) return fail(key, "is not a whole number");
    out = static_cast<qint64>(d);
  }

  void optionalNumber(const char* key, std::optional<double>& out) const {
    const QJsonValue v = object_.value(QLatin1String(key));
    if (v.isUndefined() || v.isNull()) return;
    double d = 0.0;
    number(key, d);
    out = d;
  }

  void boolean(const char* key, bool& out) const {
    const QJsonValue v = object_.value(QLatin1String(key));
    if (v.isUndefined()) return;
    if (!v.isBool()) return fail(key, "is not true or false");
    out = v.toBool();
  }

  void names(const char* key, QStringList& out) const { readNames(object_.value(QLatin1String(key)), at(key), out); }

  // Calls `each(object, place)` for every object of the array field `key`.
  template <class Each>
  void objects(const char* key, Each each) const {
    const QJsonValue v = object_.value(QLatin1String(key));
    if (v.isUndefined()) return;
    if (!v.isArray()) return fail(key, "is not a list");
    const QJsonArray list = v.toArray();
    for (qsizetype i = 0; i < list.size(); ++i) {
      const QString place = QStringLiteral("%1[%2]").arg(at(key)).arg(i);
      if (!list[i].isObject())
        errors_ << place + QStringLiteral(": is not an object");
      else
        each(list[i].toObject(), place);
    }
  }

  // Appends to `out` one element per object of the array field `key`, each
  // filled by `fill(fields, element)` from the fields of its object.
  template <class T, class Fill>
  void list(const char* key, std::vector<T>& out, Fill fill) const {
    const QJsonValue v = object_.value(QLatin1String(key));
    if (v.isUndefined()) return;
    if (!v.isArray()) return fail(key, "is not a list");
    const QJsonArray list = v.toArray();
    out.reserve(out.size() + static_cast<std::size_t>(list.size()));
    for (qsizetype i = 0; i < list.size(); ++i) {
      const QJsonValue item = list[i];
      if (!item.isObject()) {
        errors_ << QStringLiteral("%1[%2]: is not an object").arg(at(key)).arg(i);
        continue;
      }
      T element;
      fill(Fields(item.toObject(), *this, key, i), element);
      out.push_back(std::move(element));
    }
  }

  // Reads the list of name lists `key` (the scan chains).
  void nameLists(const char* key, std::vector<QStringList>& out) const {
    const QJsonValue v = object_.value(QLatin1String(key));
    if (v.isUndefined()) return;
    if (!v.isArray()) return fail(key, "is not a list");
    const QJsonArray list = v.toArray();
    for (qsizetype i = 0; i < list.size(); ++i) {
      QStringList names;
      readNames(list[i], QStringLiteral("%1[%2]").arg(at(key)).arg(i), names);
      out.push_back(std::move(names));
    }
  }

 private:
  // The place of this object: given, or its list's place and index.
  QString place() const {
    return parent_ == nullptr ? place_ : QStringLiteral("%1[%2]").arg(parent_->at(parentKey_)).arg(index_);
  }
  QString at(const char* key) const {
    const QString here = place();
    return here.isEmpty() ? QString::fromLatin1(key) : here + u'.' + QLatin1String(key);
  }
  void fail(const char* key, const char* what) const { errors_ << at(key) + QStringLiteral(": ") + QLatin1String(what); }
  void readNames(const QJsonValue& v, const QString& place, QStringList& out) const {
    if (v.isUndefined()) return;
    if (!v.isArray()) {
      errors_ << place + QStringLiteral(": is not a list");
      return;
    }
    const QJsonArray list = v.toArray();
    for (qsizetype i = 0; i < list.size(); ++i) {
      if (list[i].isString())
        out << list[i].toString();
      else
        errors_ << QStringLiteral("%1[%2]: is not a string").arg(place).arg(i);
    }
  }

  const QJsonObject& object_;
  QString place_;
  QStringList& errors_;
  const Fields* parent_ = nullptr;
  const char* parentKey_ = nullptr;
  qsizetype index_ = 0;
};

// Parses `text` into a top-level object, or records why it cannot.
inline std::optional<QJsonObject> topObject(const QByteArray& text, QStringList& errors) {
  QJsonParseError error{};
  const QJsonDocument doc = QJsonDocument::fromJson(text, &error);
  if (error.error != QJsonParseError::NoError) {
    errors << QStringLiteral("offset %1: %2").arg(error.offset).arg(error.errorString());
    return std::nullopt;
  }
  if (!doc.isObject()) {
    errors << QStringLiteral("top level: is not an object");
    return std::nullopt;
  }
  return doc.object();
}

// Reads `fileName` and parses it with `parse`; errors are prefixed with the file name.
template <class T>
ReadResult<T> readFile(const QString& fileName, ReadResult<T> (*parse)(const QByteArray&)) {
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly)) {
    ReadResult<T> out;
    out.errors << QStringLiteral("%1: cannot be read (%2)").arg(fileName, file.errorString());
    return out;
  }
  ReadResult<T> out = parse(file.readAll());
  for (auto& e : out.errors) e = fileName + QStringLiteral(": ") + e;
  return out;
}

}  // namespace jsonread
