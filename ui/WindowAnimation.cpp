#include "ui/WindowAnimation.h"

#include "foundation/Xml.h"

#include <tinyxml.h>

#include <cmath>
#include <cstdio>

namespace UILib
{

namespace
{

std::string FormatFloat(float value)
{
    char text[64];
    std::snprintf(text, sizeof(text), "%g", static_cast<double>(value));
    return text;
}

// A float attribute that must be a finite number; anything else gives the default.
float FiniteAttribute(const TiXmlElement* element, const char* name, float defaultValue)
{
    const float value = BaseLib::XmlGetFloatAttribute(element, name, defaultValue);
    return std::isfinite(value) ? value : defaultValue;
}

} // namespace

void CWindowAnimation::Start(bool reverse)
{
    m_playing = true;
    m_reverse = reverse;
    m_time = reverse ? m_length : 0.0f;
}

void CWindowAnimation::SetTime(float t)
{
    if (m_loop)
    {
        // A length of 0 has no remainder to take: the animation stays at its start.
        t = m_length > 0.0f ? std::fmod(t, m_length) : 0.0f;
    }
    else if (!m_reverse)
    {
        if (!(t < m_length))
        {
            t = m_length;
            m_playing = false;
        }
    }
    else if (t <= 0.0f)
    {
        t = 0.0f;
        m_playing = false;
    }
    m_time = t;
    for (const auto& track : m_tracks)
    {
        track->Apply(t);
    }
}

void CWindowAnimation::Advance(float elapsed)
{
    SetTime(m_time + m_speed * (m_reverse ? -elapsed : elapsed));
}

CGenericAnimationTrack* CWindowAnimation::FindTrack(const std::string& name) const
{
    for (const auto& track : m_tracks)
    {
        if (track->GetName() == name)
        {
            return track.get();
        }
    }
    return nullptr;
}

CGenericAnimationTrack* CWindowAnimation::GetOrCreateTrack(const BaseLib::CGenericProperty& property)
{
    if (property.GetDescription() == nullptr)
    {
        return nullptr;
    }
    if (CGenericAnimationTrack* existing = FindTrack(property.GetDescription()->GetName()))
    {
        return existing;
    }
    std::unique_ptr<CGenericAnimationTrack> track = CreateAnimationTrack(property);
    if (track == nullptr)
    {
        return nullptr;
    }
    m_tracks.push_back(std::move(track));
    return m_tracks.back().get();
}

CWindowAnimation* CWindowAnimationSet::GetOrCreateAnimation(const std::string& name)
{
    if (CWindowAnimation* existing = FindAnimation(name))
    {
        return existing;
    }
    m_animations.push_back(std::make_unique<CWindowAnimation>(name));
    return m_animations.back().get();
}

CWindowAnimation* CWindowAnimationSet::FindAnimation(const std::string& name) const
{
    for (const auto& animation : m_animations)
    {
        if (animation->GetName() == name)
        {
            return animation.get();
        }
    }
    return nullptr;
}

void CWindowAnimationSet::Play(const std::string& name, float speed, bool reverse)
{
    if (CWindowAnimation* animation = FindAnimation(name))
    {
        animation->SetSpeed(speed);
        animation->Start(reverse);
    }
}

bool CWindowAnimationSet::IsPlaying(const std::string& name) const
{
    const CWindowAnimation* animation = FindAnimation(name);
    return animation != nullptr && animation->IsPlaying();
}

bool CWindowAnimationSet::IsAnyPlaying() const
{
    for (const auto& animation : m_animations)
    {
        if (animation->IsPlaying())
        {
            return true;
        }
    }
    return false;
}

void CWindowAnimationSet::Update(float elapsed)
{
    for (const auto& animation : m_animations)
    {
        if (animation->IsPlaying())
        {
            animation->Advance(elapsed);
        }
    }
}

void CWindowAnimationSet::BindTracks(const CPropertyList& list)
{
    for (const auto& animation : m_animations)
    {
        for (const auto& track : animation->GetTracks())
        {
            track->SetUnbound();
            for (const BaseLib::CGenericProperty& property : list)
            {
                if (property.GetDescription()->GetName() == track->GetName())
                {
                    track->SetProperty(property);
                    break;
                }
            }
        }
    }
}

bool CWindowAnimationSet::AddKey(CWindowAnimation& animation, float time, const BaseLib::CGenericProperty& property,
                                 const std::string& valueText)
{
    animation.SetLength(std::max(animation.GetLength(), time));
    CGenericAnimationTrack* track = animation.GetOrCreateTrack(property);
    if (track == nullptr)
    {
        return false;
    }
    track->AddKeyFromText(time, valueText);
    return true;
}

void CWindowAnimationSet::ReadXml(const TiXmlElement* windowElement, const CPropertyList& list)
{
    for (const TiXmlElement* element = windowElement->FirstChildElement("animation"); element != nullptr;
         element = element->NextSiblingElement("animation"))
    {
        const char* name = element->Attribute("name");
        if (name == nullptr)
        {
            continue;
        }
        CWindowAnimation* animation = GetOrCreateAnimation(name);
        animation->SetLength(FiniteAttribute(element, "length", 3.0f));
        animation->SetLoop(BaseLib::XmlGetBoolAttribute(element, "loop", false));
        for (const TiXmlElement* trackElement = element->FirstChildElement("track"); trackElement != nullptr;
             trackElement = trackElement->NextSiblingElement("track"))
        {
            const char* trackName = trackElement->Attribute("name");
            if (trackName == nullptr)
            {
                continue;
            }
            const BaseLib::CGenericProperty* property = nullptr;
            for (const BaseLib::CGenericProperty& candidate : list)
            {
                if (candidate.GetDescription()->GetName() == trackName)
                {
                    property = &candidate;
                    break;
                }
            }
            if (property == nullptr)
            {
                break; // the rest of this animation's tracks are not read
            }
            for (const TiXmlElement* key = trackElement->FirstChildElement(); key != nullptr;
                 key = key->NextSiblingElement())
            {
                AddKey(*animation, FiniteAttribute(key, "time", 0.0f), *property,
                       BaseLib::XmlGetStringAttribute(key, "value", ""));
            }
            if (trackElement->Attribute("interpolation") != nullptr)
            {
                if (CGenericAnimationTrack* track = animation->FindTrack(trackName))
                {
                    track->SetInterpolation(BaseLib::XmlGetIntAttribute(trackElement, "interpolation", 0));
                }
            }
        }
    }
}

void CWindowAnimationSet::WriteXml(TiXmlElement* windowElement) const
{
    for (const auto& animation : m_animations)
    {
        auto* element = new TiXmlElement("animation");
        windowElement->LinkEndChild(element);
        element->SetAttribute("name", animation->GetName());
        element->SetAttribute("loop", animation->GetLoop() ? "true" : "false");
        element->SetAttribute("length", FormatFloat(animation->GetLength()));
        for (const auto& track : animation->GetTracks())
        {
            const BaseLib::CGenericLookUpTable& table = track->GetLookUpTable();
            if (!track->IsBound() || table.GetKeyCount() == 0)
            {
                continue;
            }
            auto* trackElement = new TiXmlElement("track");
            element->LinkEndChild(trackElement);
            trackElement->SetAttribute("name", track->GetName());
            trackElement->SetAttribute("interpolation", track->GetInterpolation());
            for (std::int32_t i = 0; i < table.GetKeyCount(); ++i)
            {
                auto* key = new TiXmlElement("key");
                trackElement->LinkEndChild(key);
                key->SetAttribute("time", FormatFloat(table.GetKey(i)));
                // The key's own value: evaluating the table at the key would scale colours by 255/256.
                key->SetAttribute("value", track->GetKeyValueText(i));
            }
        }
    }
}

} // namespace UILib
