#include "enginelink/runadvice.h"

#include <QFileInfo>

QStringList ReplacedResultFiles(const QString& name) {
  QStringList files;
  for (const char* suffix : {".par", ".txt", ".pro", ".tex", ".html", ".eva", ".dot"})
    files << name + QString::fromLatin1(suffix);
  return files;
}

QString DescriptionProblem(const QString& folder, const QString& name) {
  const QFileInfo dir(folder);
  if (!dir.exists() || !dir.isDir())
    return QStringLiteral("The working folder '%1' no longer exists. Restart lumeno so that it can set up a working "
                          "folder again.")
        .arg(folder);
  const QFileInfo file(folder + u'/' + name);
  if (!file.exists())
    return QStringLiteral("The circuit description '%1' is missing from the working folder '%2'. Copy it back "
                          "there (the examples hold one) and press Run again.")
        .arg(name, folder);
  if (!file.isFile())
    return QStringLiteral("'%1' in the working folder '%2' is a folder, not a circuit description. Rename it and "
                          "put the description back.")
        .arg(name, folder);
  if (!file.isReadable())
    return QStringLiteral("The circuit description '%1' in '%2' cannot be read. Allow reading it (its permissions) "
                          "and press Run again.")
        .arg(name, folder);
  if (file.size() == 0)
    return QStringLiteral("The circuit description '%1' in '%2' is empty. Copy a complete description there and "
                          "press Run again.")
        .arg(name, folder);
  return QString();
}

QString PlainFailureAdvice(const QString& engineErrors, const QString& name) {
  const auto has = [&](const char* text) { return engineErrors.contains(QLatin1String(text)); };
  if (has("Can't open DC description file"))
    return QStringLiteral("The circuit description '%1' could not be opened: put it back in the working folder and "
                          "press Run again.")
        .arg(name);
  if (has("scan layout notation") || has("cannot hold a layout"))
    return QStringLiteral("The scan layout does not fit this circuit: choose registers it has in the Scan Layout "
                          "window and press Run again.");
  if (has("longer than") || has("more than") || has("out of range"))
    return QStringLiteral("The circuit description '%1' is larger than the engine accepts (see the line named "
                          "below): make it smaller.")
        .arg(name);
  if (has("line") || has("Line") || has("NULL") || has("expected"))
    return QStringLiteral("The circuit description '%1' has a mistake (the engine names the line below): correct it, "
                          "or copy the original back, and press Run again.")
        .arg(name);
  if (engineErrors.isEmpty())
    return QStringLiteral("The engine stopped without a message: press Run again, and reinstall tarvex if this "
                          "happens again.");
  return QStringLiteral("The engine reported the errors below: check the circuit description '%1' and the "
                        "settings, then press Run again.")
      .arg(name);
}

QString WithTextSuffix(const QString& file) {
  if (file.isEmpty() || !QFileInfo(file).suffix().isEmpty()) return file;
  return file + QStringLiteral(".txt");
}
