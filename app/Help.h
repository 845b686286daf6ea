#pragma once
// The program's help: every Help button asks for a topic by its context number (1 main window,
// 100 Effects, 101 Median Filter, 102 Amplify, 200 MP3 Encoder).

namespace tressel {

enum HelpTopic { kHelpMainWindow = 1, kHelpEffects = 100, kHelpMedianFilter = 101, kHelpAmplify = 102,
                 kHelpMp3Encoder = 200 };

class HelpService {
public:
    virtual ~HelpService() = default;
    virtual void ShowTopic(int topic) = 0;
    virtual void Quit() = 0;
};

// The process-wide help; the application installs its viewer, tests may install a recorder.
HelpService& AppHelp();
void SetAppHelp(HelpService* help);

}  // namespace tressel
