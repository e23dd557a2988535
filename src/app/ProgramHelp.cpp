#include "app/ProgramHelp.h"

#include "app/StartOptions.h"
#include "storage/Locales.h"

#include <QSet>

#include <algorithm>

QList<TExitCodeHelp> ExitCodes()
{
    return {
        {0, QStringLiteral("done")},
        {1, QStringLiteral("an operation failed (the message says which file and why), or Ctrl+C stopped it")},
        {2, QStringLiteral("the command line cannot be used (an unknown switch, no project file, an operation this "
                           "build lacks); nothing has run")},
        {3, QStringLiteral("-stats:strict: some language has untranslated items")},
        {4, QStringLiteral("-create: found a language file that already exists; it is kept unchanged")},
    };
}

QString VersionText() { return QStringLiteral("Phrase Desk " PHRASEDESK_VERSION); }

namespace {

QString Usage(const TSwitchHelp& s) { return s.Argument.isEmpty() ? s.Name : s.Name + s.Argument; }

// Roff treats a leading dot or quote as a request and a backslash as an escape.
QString RoffText(QString Text)
{
    Text.replace(QLatin1Char('\\'), QLatin1String("\\e")).replace(QLatin1Char('-'), QLatin1String("\\-"));
    if (Text.startsWith(QLatin1Char('.')) || Text.startsWith(QLatin1Char('\''))) Text.prepend(QLatin1String("\\&"));
    return Text;
}

} // namespace

QString HelpText()
{
    QString text = VersionText() + QStringLiteral("\n\nUsage: phrasedesk [switches] [project.ntv.lng]\n"
                                                  "Without batch switches the editor opens the project.\n\n"
                                                  "Switches:\n");
    const QList<TSwitchHelp> switches = SwitchHelp();
    qsizetype width = 0;
    for (const TSwitchHelp& s : switches) width = std::max(width, Usage(s).size());
    for (const TSwitchHelp& s : switches)
        text += QStringLiteral("  %1  %2\n").arg(Usage(s).leftJustified(width), s.Help);
    text += QStringLiteral("\nExit codes:\n");
    for (const TExitCodeHelp& e : ExitCodes()) text += QStringLiteral("  %1  %2\n").arg(e.Code).arg(e.Meaning);
    return text;
}

QString ManPage()
{
    QString page = QStringLiteral(".TH PHRASEDESK 1 \"\" \"Phrase Desk " PHRASEDESK_VERSION "\" \"User Commands\"\n"
                                  ".SH NAME\n"
                                  "phrasedesk \\- translator's workbench for Delphi programs\n"
                                  ".SH SYNOPSIS\n"
                                  ".B phrasedesk\n"
                                  "[\\fIswitches\\fR] [\\fIproject.ntv.lng\\fR]\n"
                                  ".SH DESCRIPTION\n"
                                  "Phrase Desk opens a project (a native language file) with one language file per "
                                  "target language in its editor, keeps a translation repository, builds resource DLLs "
                                  "and runs all of this in batch from the command line. With a batch switch it opens "
                                  "no window: it does the work, prints errors on standard error and exits.\n"
                                  ".SH OPTIONS\n");
    for (const TSwitchHelp& s : SwitchHelp()) {
        page += QStringLiteral(".TP\n.B %1").arg(RoffText(s.Name));
        if (!s.Argument.isEmpty()) page += QStringLiteral("\\fI%1\\fR").arg(RoffText(s.Argument));
        page += QStringLiteral("\n%1\n").arg(RoffText(s.Help));
    }
    page += QStringLiteral(".SH EXIT STATUS\n");
    for (const TExitCodeHelp& e : ExitCodes())
        page += QStringLiteral(".TP\n.B %1\n%2\n").arg(e.Code).arg(RoffText(e.Meaning));
    page += QStringLiteral(".SH FILES\n"
                           ".TP\n.I ~/.config/Oxvel/Phrase Desk.conf\nthe settings\n"
                           ".TP\n.I ~/.local/share/phrasedesk/Repository/default.lr\n"
                           "the default translation repository of the batch switches\n"
                           ".TP\n.I /usr/share/phrasedesk/\nthe help and the sample project\n"
                           ".SH EXAMPLES\n"
                           ".nf\n"
                           "phrasedesk \\-create:deu,fra app.ntv.lng\n"
                           "phrasedesk \\-translate:ALL \\-repository:team.lr app.ntv.lng\n"
                           "phrasedesk \\-dll app.deu.lng\n"
                           ".fi\n");
    return page;
}

QString BashCompletion()
{
    // Language codes in the case the file names use: app.deu.lng.
    TLocaleList locales;
    GetLocaleList(locales, lkSupported);
    QSet<QString> seen;
    QStringList codes{QStringLiteral("ALL")};
    for (const TLocaleEntry& l : locales) {
        const QString code = LocaleAbbreviation(l.Locale).toLower();
        if (!code.isEmpty() && !seen.contains(code)) {
            seen.insert(code);
            codes << code;
        }
    }
    std::sort(codes.begin() + 1, codes.end());
    QStringList words, langSwitches, fileSwitches;
    for (const TSwitchHelp& s : SwitchHelp()) {
        words << s.Name;
        if (s.Argument == QLatin1String("LANGS"))
            langSwitches << s.Name;
        else if (s.Argument == QLatin1String("FILE") || s.Argument == QLatin1String("DIR") ||
                 s.Argument == QLatin1String("REPOSITORY") || s.Argument == QLatin1String("TARGET"))
            fileSwitches << s.Name;
    }
    // The switch and its value are one word for us, though bash splits at
    // ':' by default: the word is read from the line, and what bash sees as
    // the word's start is taken off the answers again.
    QString script = QStringLiteral(R"(# bash completion for phrasedesk
_phrasedesk()
{
    local line=${COMP_LINE:0:COMP_POINT}
    local cur=${line##*[[:space:]]}
    local codes="@CODES@"
    COMPREPLY=()
    case "$cur" in
    @LANGS@)
        # a comma list of language codes
        local sw=${cur%%:*}: rest=${cur#*:} head=
        case "$rest" in *,*) head=${rest%,*},; rest=${rest##*,} ;; esac
        COMPREPLY=($(compgen -P "$sw$head" -W "$codes" -- "$rest")) ;;
    @FILES@)
        local sw=${cur%%:*}:
        COMPREPLY=($(compgen -P "$sw" -f -- "${cur#*:}")) ;;
    -*)
        COMPREPLY=($(compgen -W "@SWITCHES@" -- "$cur")) ;;
    *)
        COMPREPLY=($(compgen -f -X '!*.lng' -- "$cur") $(compgen -d -- "$cur")) ;;
    esac
    if [[ $cur == *:* && $COMP_WORDBREAKS == *:* ]]; then
        local lead=${cur%"${cur##*:}"} i=${#COMPREPLY[@]}
        while ((i-- > 0)); do COMPREPLY[i]=${COMPREPLY[i]#"$lead"}; done
    fi
}
complete -o filenames -o nospace -F _phrasedesk phrasedesk
)");
    return script.replace(QLatin1String("@CODES@"), codes.join(QLatin1Char(' ')))
        .replace(QLatin1String("@LANGS@"), langSwitches.join(QStringLiteral("*|")) + QLatin1Char('*'))
        .replace(QLatin1String("@FILES@"), fileSwitches.join(QStringLiteral("*|")) + QLatin1Char('*'))
        .replace(QLatin1String("@SWITCHES@"), words.join(QLatin1Char(' ')));
}
