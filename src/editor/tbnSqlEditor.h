#pragma once
// The SQL editor component bound to a query window's text pane. Binding has no visible effect: the
// pane stays plain text and the component neither reads nor changes it. Colorize turns SQL text
// into an RTF document with coloured keywords; nothing in the program calls it yet.
#include <QObject>
#include <QString>

class QPlainTextEdit;

class tbnSqlEditor : public QObject {
    Q_OBJECT
public:
    tbnSqlEditor();
    ~tbnSqlEditor() override;

    void InitEditor(QPlainTextEdit* objRTF);  // does not take ownership
    void RedrawLines();
    QString Colorize(const QString& strRTF) const;

    QPlainTextEdit* MyRtf() const { return MyRtf_; }

private:
    QPlainTextEdit* MyRtf_ = nullptr;
    QString strKeywords_, strLiterals_, strDangerous_, strFunctions_;

    void FillKeywords();  // empties the four lists and fills them again; safe to repeat
    void AddKeyword(const QString& word);
    void AddLiteral(const QString& word);
    void AddDangerous(const QString& word);
    void AddFunction(const QString& word);
    bool IsKeyword(const QString& word) const;
    bool IsLiteral(const QString& word) const;
    bool IsDangerous(const QString& word) const;
    bool IsFunction(const QString& word) const;
};
