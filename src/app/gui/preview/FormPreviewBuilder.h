#pragma once

#include <QString>
#include <QWidget>
#include <functional>

class QCloseEvent;
struct TFormObject;

// The window a previewed form is drawn in. Its components are its
// descendants, each named after the storage's component name and carrying
// its stream class in the property kPreviewClass.
class TPreviewForm : public QWidget {
    Q_OBJECT
public:
    TPreviewForm() = default;
    // Told before the window closes; the window is only hidden.
    std::function<void(TPreviewForm* Form)> OnClose;
    // The widget the form's components are placed on (below a menu bar).
    QWidget* Client() const { return FClient; }

    // The main menu's bar above the client; nullptr without one.
    class QMenuBar* MenuBar() const { return FMenuBar; }

protected:
    void closeEvent(QCloseEvent* Event) override;
    void resizeEvent(QResizeEvent* Event) override;

private:
    friend class TFormPreviewBuilder;
    int MenuHeight(int Width) const;
    QWidget* FClient = nullptr;
    class QMenuBar* FMenuBar = nullptr;
};

// The dynamic property holding a previewed component's class name.
inline constexpr char kPreviewClass[] = "previewClass";

// Builds Qt widgets for the objects of a form stream: one widget for each
// component whose class it knows, with the stream's position, size, texts,
// font, colour, state and nesting, laid out by Align and Anchors and mirrored
// for a right-to-left form.
class TFormPreviewBuilder {
public:
    // The class to create for a class the builder does not know; empty when
    // there is none.
    std::function<QString(const QString& ClassName)> Replacement;
    // A class neither known nor replaced; its component is not created, its
    // children go on its parent.
    std::function<void(const QString& ClassName)> ClassMissing;

    // The form with the root object's own properties, its name as object name.
    TPreviewForm* Build(const TFormObject& Root);

    // Whether the builder knows the class (the built-in table of classes and
    // their common descendants).
    static bool KnowsClass(const QString& ClassName);

private:
    void BuildChildren(const TFormObject& Object, QWidget* Parent, QPoint Offset, bool RightToLeft);
    // Size: the component's size by the stream or its class; the children
    // are laid out in it.
    QWidget* CreateComponent(const TFormObject& Object, int Kind, QWidget* Parent, QSize Size, bool RightToLeft);
    void AddMenuItems(const TFormObject& Object, class QMenu* Menu);

    TPreviewForm* FForm = nullptr;
    int FWidgets = 0;
};

// The family that stands in for a font the machine lacks: a family of the
// same kind (fixed pitch, serif, sans serif) that it has; Family when present.
QString PreviewFontFamily(const QString& Family);
