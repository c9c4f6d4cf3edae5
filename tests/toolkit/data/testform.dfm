object TestForm: TTestForm
  Left = 100
  Top = 80
  BorderIcons = [biSystemMenu, biMinimize]
  Caption = 'R'#233'cup'#233'ration des tables'
  ClientHeight = 160
  ClientWidth = 420
  Color = clBtnFace
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  Font.Style = []
  Position = poScreenCenter
  OnCreate = FormCreate
  object LabelAlias: TLabel
    Left = 20
    Top = 16
    Caption = 'Alias :'
    Font.Charset = DEFAULT_CHARSET
    Font.Color = clWindowText
    Font.Height = -11
    Font.Name = 'MS Sans Serif'
    Font.Style = [fsBold]
    ParentFont = False
  end
  object EditSource: TEdit
    Left = 20
    Top = 48
    Width = 300
    Height = 21
    TabOrder = 1
    OnChange = EditSourceChange
  end
  object Browse: TButton
    Left = 330
    Top = 46
    Width = 25
    Height = 25
    Caption = '...'
    TabOrder = 2
    OnClick = BrowseClick
  end
  object Alias: TwwDBComboBox
    Left = 70
    Top = 12
    Width = 177
    Height = 21
    Items.Strings = (
      '')
    TabOrder = 0
    OnCloseUp = AliasCloseUp
    OnKeyDown = AliasKeyDown
  end
  object Quit: TButton
    Left = 330
    Top = 120
    Width = 75
    Height = 25
    Cancel = True
    Caption = 'Fermer'
    ModalResult = 1
    TabOrder = 3
    OnClick = QuitClick
  end
end
