object FPrincipal: TFPrincipal
  Left = 0
  Top = 0
  Caption = 'R'#233'cup'#233'ration des tables'
  ClientHeight = 335
  ClientWidth = 739
  Color = clBtnFace
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  Font.Style = []
  Position = poScreenCenter
  OnCreate = FormCreate
  object AdsConnectionRestore: TAdsConnection
    AdsServerTypes = [stADS_REMOTE, stADS_LOCAL]
    LoginPrompt = False
    StoreConnected = False
  end
  object Label1: TLabel
    Left = 18
    Top = 48
    Caption = 'R'#233'pertoire Source :'
    Font.Style = [fsBold]
  end
  object BtnFermer: TButton
    Left = 632
    Top = 302
    Width = 99
    Height = 25
    Caption = 'Fermer'
    Hint = 'Fermer l'#39'application'
    ShowHint = True
    Font.Style = [fsBold]
    TabOrder = 6
    OnClick = BtnFermerClick
  end
  object BtnStart: TButton
    Left = 229
    Top = 184
    Width = 281
    Height = 65
    Caption = 'Lancer l'#39'op'#233'ration'
    Hint = 'Lancer l'#39'op'#233'ration de r'#233' indexation des tables'
    ShowHint = True
    Font.Height = -19
    Font.Style = [fsBold]
    TabOrder = 5
    OnClick = BtnStartClick
  end
  object EditSource: TEdit
    Left = 136
    Top = 45
    Width = 563
    Height = 21
    TabOrder = 1
  end
  object Button1: TButton
    Left = 704
    Top = 43
    Width = 25
    Height = 25
    Caption = '...'
    TabOrder = 2
    OnClick = Button1Click
  end
  object Label2: TLabel
    Left = 18
    Top = 84
    Caption = 'R'#233'pertoire Destination :'
    Font.Style = [fsBold]
  end
  object EditDestination: TEdit
    Left = 160
    Top = 81
    Width = 539
    Height = 21
    TabOrder = 3
  end
  object Button2: TButton
    Left = 704
    Top = 79
    Width = 25
    Height = 25
    Caption = '...'
    TabOrder = 4
    OnClick = Button2Click
  end
  object QRestore: TAdsQuery
    DatabaseName = 'AdsConnectionRestore'
    StoreActive = False
    SQL.Strings = (
      'DECLARE @Source String, @Destination String, @MotDePasse String;'
      ''
      'DECLARE RestoreBackup Cursor AS EXECUTE PROCEDURE sp_RestoreFreeTables('
      '@Source,'
      '@Destination,'
      'NULL,'
      '@MotDePasse );'
      ''
      '@Destination = UPPER(:Destination);'
      '@MotDePasse = LOWER(:MotDePasse);'
      '@Source = UPPER(:Source);'
      ''
      'Open RestoreBackup;')
    AdsConnection = AdsConnectionRestore
    ParamData = <
      item
        DataType = ftUnknown
        Name = 'Destination'
        ParamType = ptUnknown
      end
      item
        DataType = ftUnknown
        Name = 'MotDePasse'
        ParamType = ptUnknown
      end
      item
        DataType = ftUnknown
        Name = 'Source'
        ParamType = ptUnknown
      end>
  end
  object Label3: TLabel
    Left = 258
    Top = 16
    Caption = 'Alias :'
    Font.Style = [fsBold]
  end
  object wwDBCBAlias: TwwDBComboBox
    Left = 300
    Top = 12
    Width = 177
    Height = 21
    DropDownCount = 25
    Items.Strings = (
      '')
    Sorted = False
    TabOrder = 0
    OnCloseUp = wwDBCBAliasCloseUp
    OnKeyDown = wwDBCBAliasKeyDown
  end
  object ActiveQueries: TAdsQuery
    DatabaseName = 'AdsConnectionActive'
    StoreActive = False
    Filtered = True
    AdsTableOptions.AdsFilterOptions = RESPECT_WHEN_COUNTING
    AdsTableOptions.AdsScopeOptions = RESPECT_SCOPES_WHEN_COUNTING
    AdsTableOptions.AdsFreshRecordCount = True
    SQL.Strings = (
      'EXECUTE PROCEDURE sp_GetSQLStatements()')
    AdsConnection = AdsConnectionActive
    object ActiveQueriesQueryNumber: TIntegerField
      FieldName = 'Query Number'
    end
    object ActiveQueriesActive: TBooleanField
      FieldName = 'Active'
    end
    object ActiveQueriesPercentComplete: TFloatField
      FieldName = 'Percent Complete'
      DisplayFormat = '###.##'
    end
    object ActiveQueriesConnectionName: TAdsStringField
      FieldName = 'Connection Name'
      Size = 100
    end
    object ActiveQueriesDatabaseUser: TAdsStringField
      FieldName = 'Database User'
      Size = 100
    end
    object ActiveQueriesQuery: TMemoField
      FieldName = 'Query'
      BlobType = ftMemo
      Size = 1
    end
    object ActiveQueriesDatabase: TAdsStringField
      FieldName = 'Database'
      Size = 255
    end
    object ActiveQueriesIsScript: TBooleanField
      FieldName = 'Is Script'
    end
    object ActiveQueriesFullScript: TMemoField
      FieldName = 'Full Script'
      BlobType = ftMemo
      Size = 1
    end
    object ActiveQueriesStartTime: TTimeField
      FieldName = 'Start Time'
    end
    object ActiveQueriesSecondsUntilFinished: TIntegerField
      FieldName = 'Seconds Until Finished'
    end
  end
  object AdsConnectionActive: TAdsConnection
    AdsServerTypes = [stADS_REMOTE, stADS_LOCAL]
  end
  object QRestoreDict: TAdsQuery
    DatabaseName = 'AdsConnectionFree'
    StoreActive = False
    SQL.Strings = (
      'DECLARE @Source String, @Destination String, @MotDePasse String;'
      ''
      'DECLARE RestoreBackup Cursor AS EXECUTE PROCEDURE sp_RestoreDatabase('
      '@Source,'
      '@MotDePasse,'
      '@Destination,'
      'NULL );'
      ''
      '@Destination = UPPER(:Destination);'
      '@MotDePasse = LOWER(:MotDePasse);'
      '@Source = UPPER(:Source);'
      ''
      'Open RestoreBackup;')
    AdsConnection = AdsConnectionFree
    ParamData = <
      item
        DataType = ftUnknown
        Name = 'Destination'
        ParamType = ptUnknown
      end
      item
        DataType = ftUnknown
        Name = 'MotDePasse'
        ParamType = ptUnknown
      end
      item
        DataType = ftUnknown
        Name = 'Source'
        ParamType = ptUnknown
      end>
  end
  object AdsConnectionFree: TAdsConnection
    AdsServerTypes = [stADS_REMOTE, stADS_LOCAL]
    LoginPrompt = False
    StoreConnected = False
  end
end
