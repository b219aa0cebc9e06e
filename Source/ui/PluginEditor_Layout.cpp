#include "ui/PluginEditor.h"

// Every presentation is laid out at one fixed logical size and scaled as a whole to the window,
// so the window keeps the logical layout's aspect ratio and the pages never reflow.

void QuorvanePluginEditor::configureWindow (int width, int height, bool cornerResizer, int minWidth, int minHeight,
                                            int maxWidth, int maxHeight)
{
    // The host may always resize; the corner resizer is for windows we own (standalone, preview).
    setResizable (true, cornerResizer);
    setResizeLimits (minWidth, minHeight, maxWidth, maxHeight);
    if (auto* windowConstrainer = getConstrainer())
        windowConstrainer->setFixedAspectRatio ((double) width / (double) height);
    setSize (width, height);
}

juce::Rectangle<int> QuorvanePluginEditor::getLogicalBounds() const noexcept
{
    switch (presentation)
    {
        case Presentation::Phone:      return { 0, 0, phoneLogicalWidth, phoneLogicalHeight };
        case Presentation::Standalone: return { 0, 0, logicalWidth, standaloneLogicalHeight };
        case Presentation::Plugin:     break;
    }
    return { 0, 0, logicalWidth, logicalHeight };
}

void QuorvanePluginEditor::resized()
{
    const auto logical = getLogicalBounds();
    // Single precision, like the transforms it ends up in.
    const float scale = juce::jmin ((float) getWidth() / (float) logical.getWidth(),
                                    (float) getHeight() / (float) logical.getHeight());
    const auto transform = juce::AffineTransform::scale (scale);

    if (presentation == Presentation::Phone)
    {
        phoneLayout.setBounds (logical);
        phoneLayout.setTransform (transform);
        return;
    }

    // Hidden widgets are placed too, so that every child always has its logical bounds.
    playButton.setBounds (8, 4, 70, 28);
    loopToggle.setBounds (86, 4, 60, 28);
    hostTrackLabel.setBounds (492, 0, 220, 14);
    for (auto* c : { static_cast<juce::Component*> (&playButton), static_cast<juce::Component*> (&loopToggle),
                     static_cast<juce::Component*> (&hostTrackLabel) })
        c->setTransform (transform);

    if (presentation == Presentation::Standalone)
    {
        tabs.setBounds (0, 36, logicalWidth, standaloneLogicalHeight - 36);
        tabs.setTransform (transform);
    }
    else
    {
        blendPage.setBounds (logical);
        blendPage.setTransform (transform);
    }
}
